#include "app/AboutDlg.h"

#include "app/MainDlgTexts.h"
#include "res/resource.h"

namespace pelorin {

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent), version_(maindlg::kAboutVersion) {}

void CAboutDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Text(dx, IDC_VERSION, version_);
}

}  // namespace pelorin
