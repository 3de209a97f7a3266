#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/MainDlgLogic.h"
#include "app/MainDlgTexts.h"
#include "backup/BackupHost.h"
#include "ClassBranch.h"
#include "RecordingBoxes.h"
#include "RestoreTestDoubles.h"
#include "inventory/MemoryDriverRows.h"
#include "res/resource.h"

namespace pelorin {
namespace {

// The dialog's window in memory: sorted combos, enabled state, values last pushed, boxes shown, workers started.
struct FakeView : MainDlgView {
  void AddComboEntry(int id, const std::string& text) override {
    auto& e = combos[id];  // a sorted combo places each entry by comparison, not by arrival
    e.insert(std::upper_bound(e.begin(), e.end(), text), text);
  }
  void SelectComboEntry(int id, int index) override { selection[id] = index; }
  int ComboSelection(int id) override { return selection.count(id) ? selection[id] : -1; }
  void ShowControl(int, bool) override {}
  void EnableControl(int id, bool enable) override { enable ? (void)disabled.erase(id) : (void)disabled.insert(id); }
  void SetUpList() override {}
  void PushBoundValues() override {
    pushedCheck = logic->SelectAllChecked();
    pushedStatus = logic->StatusText();
    ++pushes;
  }
  int ShowMessage(const std::string& text, const char* caption, std::uint32_t type) override {
    boxes.push_back({text, caption ? caption : "", caption != nullptr, type});
    if (duringBox) duringBox();
    return mb::kIdOk;
  }
  bool StartWorker(BackupType type) override { return workers.push_back(type), workerStarts; }
  void RunAboutBox() override {}
  void EndDialog(int result) override { ended.push_back(result); }

  std::map<int, std::vector<std::string>> combos;
  std::map<int, int> selection;
  std::set<int> disabled;
  int pushedCheck = -1, pushes = 0;
  std::string pushedStatus;
  std::vector<testing::ShownBox> boxes;
  std::function<void()> duringBox;
  std::vector<BackupType> workers;
  bool workerStarts = true;
  std::vector<int> ended;
  MainDlgLogic* logic = nullptr;
};

class MainDlgLogicTest : public ::testing::Test {
 protected:
  // Two third-party drivers and one of the system's own: mode 1 offers the
  // first two, mode 0 all three; rows come out in reverse enumeration order.
  MainDlgLogicTest() {
    const char cls[] = "{4d36e968-e325-11ce-bfc1-08002be10318}";
    testing::AddClass(machine, cls, "显示适配器");
    testing::AddInstance(machine, cls, "0000", testing::Driver("n1"));
    testing::AddInstance(machine, cls, "0001", testing::Driver("n2"));
    testing::AddInstance(machine, cls, "0002", testing::Driver("m1", "Microsoft"));
    view.logic = &logic;
    logic.OnInitDialog();
  }

  // The rows' descriptions, top first, a ticked row's with a "*".
  std::vector<std::string> Listing() {
    std::vector<std::string> out;
    for (int i = 0; i < rows.Count(); ++i) {
      out.push_back(rows.Text(i, DriverColumn::Desc) + (rows.IsTicked(i) ? "*" : ""));
    }
    return out;
  }
  void SelectMode(int index) {
    view.selection[IDC_SEARCH_MODE] = index;
    logic.OnSearchModeChanged();
  }
  void StartBackup() {
    picker.choice = "C:\\backup";
    logic.OnBackup();
  }
  MemoryRegistry machine;
  FakeView view;
  MemoryDriverRows rows;
  testing::ScriptedPicker picker;
  ProgramState state;
  MainDlgLogic logic{view, rows, machine, picker, state};
};

// (What start-up shows: the main window's end-to-end test; here the combos' sorted order the indexes rely on.)
TEST_F(MainDlgLogicTest, SearchModeIndexChoosesScanAndSelectAllCarriesOver) {
  EXPECT_EQ(view.combos[IDC_SEARCH_MODE], (std::vector<std::string>{maindlg::kSearchAll, maindlg::kSearchNotOnDisc}));
  EXPECT_EQ(view.combos[IDC_BACKUP_TYPE],
            (std::vector<std::string>{maindlg::kTypeSelfExtracting, maindlg::kTypeDefault}));

  SelectMode(0);
  EXPECT_EQ(Listing(), (std::vector<std::string>{"m1", "n2", "n1"}));
  EXPECT_EQ(view.pushedStatus, "共找到3个驱动");

  // Select-all ticks every row, and the rows of the next scan all come up ticked.
  rows.SetTicked(0, true);
  logic.OnSelectAll();
  EXPECT_EQ(Listing(), (std::vector<std::string>{"m1*", "n2*", "n1*"}));
  SelectMode(1);
  EXPECT_EQ(Listing(), (std::vector<std::string>{"n2*", "n1*"}));
  EXPECT_EQ(view.pushedCheck, 1);

  // Select-all off unticks every row; the rows of the next scan come up unticked, whatever was before.
  logic.OnSelectAll();
  EXPECT_EQ(Listing(), (std::vector<std::string>{"n2", "n1"}));
  rows.SetTicked(0, true);
  SelectMode(0);
  EXPECT_EQ(Listing(), (std::vector<std::string>{"m1", "n2", "n1"}));
  EXPECT_EQ(view.pushedCheck, 0);

  // No entry selected: the list empties, the status stays.
  const int pushesBefore = view.pushes;
  SelectMode(-1);
  EXPECT_EQ(view.pushes, pushesBefore);
  EXPECT_EQ(rows.Count(), 0);
  // An empty list: only the check box flips.
  logic.OnSelectAll();
  EXPECT_EQ(logic.SelectAllChecked(), 1);
}

TEST_F(MainDlgLogicTest, BackupAsksForFolderAndStartsWorkerOfCurrentTypeOrStaysIdle) {
  state.DestinationFolder = "D:\\old\\";
  logic.OnBackup();  // the picker is cancelled
  EXPECT_EQ(state.DestinationFolder, "D:\\old\\");

  picker.choice = "C:\\备份";
  logic.OnBackup();
  EXPECT_EQ(picker.prompt, "请选择目标文件夹");
  EXPECT_EQ(state.DestinationFolder, "C:\\备份\\");
  EXPECT_EQ(view.workers, std::vector<BackupType>{BackupType::Folder});
  logic.OnWorkerFinished();

  // Type index 0 is the self-extracting file; an index without entry keeps the type.
  for (int index : {0, -1}) {
    view.selection[IDC_BACKUP_TYPE] = index;
    logic.OnBackupTypeChanged();
  }
  EXPECT_EQ(state.CurrentBackupType, BackupType::SelfExtracting);
  picker.choice = "C:\\";  // a drive root comes back with its own "\"
  logic.OnBackup();
  EXPECT_EQ(state.DestinationFolder, "C:\\\\");
  EXPECT_EQ(view.workers.back(), BackupType::SelfExtracting);
  logic.OnWorkerFinished();

  // A worker that cannot start leaves the dialog idle.
  view.workerStarts = false;
  StartBackup();
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_TRUE(view.disabled.empty());
  logic.OnCloseRequested(2);
  EXPECT_EQ(view.ended, std::vector<int>{2});
}

TEST_F(MainDlgLogicTest, ResultCodesBecomeTheirBoxes) {
  for (int code : {1, 2, 0, 4}) EXPECT_EQ(logic.OnBackupResult(code, 0), 0);
  // An incomplete run names the drivers instead of claiming success.
  logic.SetIncompleteDrivers({{"Harmony HD Audio", "千兆以太网控制器"}, {"USB Camera"}});
  EXPECT_EQ(logic.OnBackupResult(BackupResultIncomplete, 0), 0);
  const std::string c = "提示信息";
  EXPECT_EQ(view.boxes, (std::vector<testing::ShownBox>{
      {"请在列表框中勾选要备份的驱动程序!", c, true, 0x30}, {"已经成功备份了在列表框中勾选的驱动程序!", c, true, 0x40},
      {"以下驱动程序的部分文件未能备份，请检查目标文件夹是否可写、磁盘空间是否足够:\nHarmony HD Audio\n千兆以太网控制器"
       "\n\n以下驱动程序的部分文件在本机找不到，备份不完整:\nUSB Camera", c, true, 0x30}}));
}

TEST_F(MainDlgLogicTest, RunningBackupLocksRowChangingControlsRefusesSecondRunAndDefersClose) {
  StartBackup();
  ASSERT_TRUE(logic.WorkerRunning());
  EXPECT_EQ(view.disabled, (std::set<int>{IDC_BACKUP, IDC_RESTORE, IDC_SEARCH_MODE, IDC_SELECT_ALL}));

  // Handlers reached anyway (a message already queued) change nothing.
  SelectMode(0);
  logic.OnSelectAll();
  logic.OnBackup();
  EXPECT_EQ(Listing(), (std::vector<std::string>{"n2", "n1"}));
  EXPECT_EQ(picker.calls, 1);

  logic.OnWorkerFinished();
  EXPECT_TRUE(view.disabled.empty());
  logic.OnSelectAll();  // reached again once the run is over
  EXPECT_EQ(Listing(), (std::vector<std::string>{"n2*", "n1*"}));

  // A close during the next run waits for the thread, which may still be winding
  // down after its result, and for a result box still up when the thread ends.
  StartBackup();
  logic.OnCloseRequested(2);
  EXPECT_TRUE(view.disabled.count(maindlg::kExitButton));
  logic.OnBackupResult(BackupResultNothingTicked, 0);
  EXPECT_TRUE(view.ended.empty());
  view.duringBox = [&] {
    logic.OnWorkerFinished();
    EXPECT_TRUE(view.ended.empty());
  };
  logic.OnBackupResult(BackupResultDone, 0);
  EXPECT_EQ(view.ended, std::vector<int>{2});
}

TEST(MainDlgCommandTest, AboutCommandIgnoresSystemBits) {
  EXPECT_TRUE(MainDlgLogic::IsAboutCommand(0x0013));
  EXPECT_FALSE(MainDlgLogic::IsAboutCommand(0xF010));  // SC_MOVE
}

}  // namespace
}  // namespace pelorin
