// Profile-file scenarios: manifests with Chinese names, updates in place,
// repeated sections, comments and blanks, results cut to the buffers, UTF-16
// files and missing files.
#include <cstring>
#include <vector>

#include "Scenarios.h"
#include "platform/Errors.h"

namespace pelorin::differential {

namespace {

std::uint64_t Fnv1a(const char* data, std::size_t size) {
  std::uint64_t hash = 1469598103934665603ull;
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= static_cast<unsigned char>(data[i]);
    hash *= 1099511628211ull;
  }
  return hash;
}

// A buffer as the service left it: the bytes up to the count and the two after
// it (terminators, or what was there before); long ones by hash, head and tail.
std::string Filled(const std::vector<char>& buffer, std::uint32_t n) {
  const std::size_t end = std::min<std::size_t>(buffer.size(), static_cast<std::size_t>(n) + 2);
  const std::string used(buffer.data(), end);
  if (used.size() <= 256) return Escape(used);
  return "fnv=" + HexNumber(static_cast<std::uint32_t>(Fnv1a(buffer.data(), buffer.size()))) +
         " head=" + Escape(used.substr(0, 48)) + " tail=" + Escape(used.substr(used.size() - 48));
}

// Where wine's profile services differ from Windows (the POSIX backend follows
// Windows):
// - a read that returns the default leaves last error 0; Windows sets 2
//   (ERROR_FILE_NOT_FOUND) for a missing key or section as for a missing file;
constexpr char kDefaultErr[] = "default-err";
// - a result cut to the buffer sets 122; Windows leaves the code alone;
constexpr char kCutErr[] = "cut-err";
// - a cut list is closed by a single NUL at size-1 (the byte at the count is
//   left as it was, and a name that would not fit may still be copied whole);
//   Windows ends it with two NULs at the count, the last name cut;
constexpr char kCutList[] = "cut-list";
// - an empty list has only its first NUL written; Windows writes both;
constexpr char kEmptyList[] = "empty-list";
// - a string cut inside a double-byte character leaves the lead byte's place
//   unwritten and counts it; the POSIX backend cuts before the character;
constexpr char kDbcsCut[] = "dbcs-cut";
// - a write rewrites the whole file from its parsed form: blanks around "=" and
//   blank lines go; Windows changes only the line it writes;
constexpr char kRewrite[] = "rewrite";
// - a written value loses its leading blanks; Windows writes it verbatim.
constexpr char kLeadingBlanks[] = "leading-blanks";

// One file and the calls made on it; every call is one transcript line.
class ProfileSteps {
 public:
  ProfileSteps(const Platform& platform, std::string file, std::string tag, Transcript& out)
      : platform_(platform), file_(std::move(file)), tag_(std::move(tag)), out_(out) {}

  void Write(const char* section, const char* key, const char* value, const char* known = nullptr) {
    SetLastError(0);
    const bool ok = platform_.profile->WriteString(section, key, value, file_);
    const std::string result = ok ? "1" : "0 err=" + std::to_string(GetLastError());
    Record(known, "write [" + Text(section) + "] " + Text(key) + "=" + Text(value), result);
  }

  // `known`: the reason wine's buffer differs; `errKnown`: the reason its
  // last-error code differs.
  void Read(const char* section, const char* key, std::uint32_t size = 520, const char* known = nullptr,
            const char* errKnown = nullptr) {
    std::vector<char> buffer(size, '\xCC');
    SetLastError(0);
    const std::uint32_t n = platform_.profile->ReadString(section, key, "找不到相应值", buffer.data(), size, file_);
    Result("read [" + Text(section) + "] " + Text(key) + " /" + std::to_string(size), buffer, n, known, errKnown);
  }

  void Names(std::uint32_t size = 780, const char* known = nullptr, const char* errKnown = nullptr) {
    std::vector<char> buffer(size, '\xCC');
    SetLastError(0);
    const std::uint32_t n = platform_.profile->ReadSectionNames(buffer.data(), size, file_);
    Result("names /" + std::to_string(size), buffer, n, known, errKnown);
  }

  void Section(const char* section, std::uint32_t size = 5200, const char* known = nullptr,
               const char* errKnown = nullptr) {
    std::vector<char> buffer(size, '\xCC');
    SetLastError(0);
    const std::uint32_t n = platform_.profile->ReadSection(section, buffer.data(), size, file_);
    Result("section [" + Text(section) + "] /" + std::to_string(size), buffer, n, known, errKnown);
  }

  void Bytes(const char* known = nullptr) { Record(known, "bytes", Hex(ReadBytes(platform_, file_))); }

 private:
  static std::string Text(const char* text) { return text == nullptr ? "(null)" : Escape(text); }
  void Result(const std::string& key, const std::vector<char>& buffer, std::uint32_t n, const char* known,
              const char* errKnown) {
    const std::uint32_t code = GetLastError();
    Record(known, key, "n=" + std::to_string(n) + " " + Filled(buffer, n));
    Record(errKnown, key + " err", std::to_string(code));
  }
  void Record(const char* known, const std::string& key, const std::string& value) {
    if (known != nullptr) {
      out_.Known(known, tag_ + " " + key, value);
    } else {
      out_.Line(tag_ + " " + key, value);
    }
  }

  const Platform& platform_;
  std::string file_;
  std::string tag_;
  Transcript& out_;
};

void Manifest(const Platform& platform, const std::string& root, Transcript& out) {
  const std::string folder = ScenarioFolder(platform, root, "manifest");
  ProfileSteps ini(platform, folder + "\\taskinfo.ini", "manifest", out);
  ini.Write("ATI RADEON 9600 显卡", "硬件ID", "PCI\\VEN_1002&DEV_4150");
  ini.Write("ATI RADEON 9600 显卡", "INF文件", "oem12.inf");
  ini.Write("ATI RADEON 9600 显卡", "文件1", "oem12.inf");
  ini.Write("ATI RADEON 9600 显卡", "文件2", "oem12.PNF");
  ini.Write("声卡 100%", "硬件ID", "PCI\\VEN_8086&DEV_2415");
  ini.Write("声卡 100%", "描述", "Realtek 声卡 100%");
  ini.Bytes();
  ini.Read("ATI RADEON 9600 显卡", "inf文件");
  ini.Read("ati radeon 9600 显卡", "硬件ID");
  ini.Read("声卡 100%", "没有的键", 520, nullptr, kDefaultErr);
  ini.Read("没有的节", "硬件ID", 520, nullptr, kDefaultErr);
  ini.Section("没有的节");
}

void Updates(const Platform& platform, const std::string& root, Transcript& out) {
  const std::string folder = ScenarioFolder(platform, root, "updates");
  ProfileSteps ini(platform, folder + "\\treeinfo.ini", "updates", out);
  ini.Write("显示适配器", "驱动1", "short");
  ini.Write("显示适配器", "驱动2", "second");
  ini.Write("网络适配器", "驱动1", "net");
  ini.Write("显示适配器", "驱动1", "a value much longer than the one it replaces");
  ini.Write("显示适配器", "驱动3", "appended after the section's last key");
  ini.Write("显示适配器", "驱动2", "");
  ini.Bytes();
  ini.Write("网络适配器", "驱动1", nullptr);
  ini.Write("新的节", "键", "值");
  ini.Write("显示适配器", nullptr, nullptr);
  ini.Bytes();
  ini.Names();
  ini.Write("blanks", "lead", "  two leading");
  ini.Write("blanks", "trail", "two trailing  ");
  ini.Bytes(kLeadingBlanks);
  ini.Read("blanks", "lead");
}

void RepeatedSections(const Platform& platform, const std::string& root, Transcript& out) {
  const std::string folder = ScenarioFolder(platform, root, "repeated");
  const std::string file = folder + "\\twice.ini";
  WriteBytes(platform, file,
             "[Driver]\r\nk=1\r\n[Other]\r\nx=y\r\n[driver]\r\nk=2\r\nm=3\r\n[驱动]\r\na=1\r\n[驱动]\r\nb=2\r\n");
  ProfileSteps ini(platform, file, "repeated", out);
  ini.Read("Driver", "k");
  ini.Read("Driver", "m", 520, nullptr, kDefaultErr);
  ini.Names();
  ini.Section("DRIVER");
  ini.Write("Driver", "k", "9");
  ini.Write("Driver", "m", "new");
  ini.Bytes();
}

void CommentsAndBlanks(const Platform& platform, const std::string& root, Transcript& out) {
  const std::string folder = ScenarioFolder(platform, root, "comments");
  const std::string file = folder + "\\lab.inf";
  WriteBytes(platform, file,
             "; 文件头注释\r\n[Version]\r\nSignature=\"$CHICAGO$\"\r\n\r\n[SourceDisksFiles]\r\n; 注释行\r\n"
             "  ati2mtag.sys = 1,,\r\n\tspaced.dll\t=\t2 , , \r\nnoequals.cat\r\n;commented.sys=1\r\n"
             "quoted.sys=\"1,,\"\r\n  =orphan\r\n驱动.sys=1\r\n\r\n[Strings]\r\nDesc = \"实验 设备\"\r\n");
  ProfileSteps ini(platform, file, "comments", out);
  ini.Read("SourceDisksFiles", "ati2mtag.sys");
  ini.Read("SourceDisksFiles", "noequals.cat", 520, nullptr, kDefaultErr);
  ini.Read("SourceDisksFiles", ";commented.sys", 520, nullptr, kDefaultErr);
  ini.Read("sourcedisksfiles", "驱动.sys");
  ini.Read("Strings", "Desc");
  ini.Names();
  ini.Section("SourceDisksFiles");
  ini.Write("SourceDisksFiles", "spaced.dll", "3");
  ini.Bytes(kRewrite);
}

void Overflow(const Platform& platform, const std::string& root, Transcript& out) {
  const std::string folder = ScenarioFolder(platform, root, "overflow");
  const std::string names = folder + "\\names.ini";
  std::string text;
  for (int i = 0; i < 60; ++i) text += "[节名称节名称" + std::to_string(100 + i) + "]\r\nk=v\r\n";
  WriteBytes(platform, names, text);
  ProfileSteps manyNames(platform, names, "overflow names", out);
  manyNames.Names(16, kCutList, kCutErr);
  manyNames.Names(2, kCutList, kCutErr);

  // A name list cut inside a double-byte character: 5 + 1 + 3 bytes of "乙乙".
  const std::string cut = folder + "\\cut.ini";
  WriteBytes(platform, cut, "[甲甲甲x]\r\n[乙乙]\r\n");
  ProfileSteps cutNames(platform, cut, "overflow cut", out);
  cutNames.Names(11, kCutList, kCutErr);

  const std::string section = folder + "\\section.inf";
  text = "[SourceDisksFiles]\r\n";
  for (int i = 0; i < 400; ++i) text += "file" + std::to_string(10000 + i) + ".sys=1,,x\r\n";
  text += "[Tail]\r\nk=v\r\n";
  WriteBytes(platform, section, text);
  ProfileSteps big(platform, section, "overflow section", out);
  big.Section("SourceDisksFiles", 5200, nullptr, kCutErr);
  big.Read("Tail", "k");

  const std::string value = folder + "\\value.ini";
  WriteBytes(platform, value, "[v]\r\nlong=" + std::string(600, 'x') + "\r\ngbk=" + std::string(259, 'y') +
                                  "驱动驱动\r\n");
  ProfileSteps values(platform, value, "overflow value", out);
  values.Read("v", "long", 520, nullptr, kCutErr);
  values.Read("v", "gbk", 262, nullptr, kCutErr);
  values.Read("v", "missing", 4, kDbcsCut, kCutErr);
}

void Utf16(const Platform& platform, const std::string& root, Transcript& out) {
  const std::string folder = ScenarioFolder(platform, root, "utf16");
  const std::string file = folder + "\\unicode.ini";
  // "[节]\r\n键=值\r\nk2=v2\r\n" in UTF-16LE after its byte-order mark.
  const unsigned char bytes[] = {0xFF, 0xFE, '[', 0, 0x82, 0x82, ']', 0, '\r', 0, '\n', 0, 0x2E, 0x95, '=', 0,
                                 0x3C, 0x50, '\r', 0, '\n', 0, 'k', 0, '2', 0, '=', 0, 'v', 0, '2', 0,
                                 '\r', 0, '\n', 0};
  WriteBytes(platform, file, std::string(reinterpret_cast<const char*>(bytes), sizeof bytes));
  ProfileSteps ini(platform, file, "utf16", out);
  ini.Read("节", "键");
  ini.Section("节");
  ini.Write("节", "键", "新值");
  ini.Write("新节", "k", "v");
  ini.Bytes();
}

void Missing(const Platform& platform, const std::string& root, Transcript& out) {
  const std::string folder = ScenarioFolder(platform, root, "missing");
  ProfileSteps absent(platform, folder + "\\absent.ini", "missing file", out);
  absent.Read("s", "k");
  absent.Names(780, kEmptyList);
  ProfileSteps nowhere(platform, folder + "\\nodir\\absent.ini", "missing folder", out);
  nowhere.Write("s", "k", "v");
  // A file that exists and is empty.
  WriteBytes(platform, folder + "\\empty.ini", "");
  ProfileSteps empty(platform, folder + "\\empty.ini", "empty file", out);
  empty.Names(780, kEmptyList);
  empty.Write("s", "k", "v");
  empty.Bytes();
}

}  // namespace

void RunProfileScenarios(const Platform& platform, const std::string& root, Transcript& out) {
  Manifest(platform, root, out);
  Updates(platform, root, out);
  RepeatedSections(platform, root, out);
  CommentsAndBlanks(platform, root, out);
  Overflow(platform, root, out);
  Utf16(platform, root, out);
  Missing(platform, root, out);
}

}  // namespace pelorin::differential
