#pragma once
// The about box (template 100): the icon, the product name and the version.
#include <string>

#include "controls/Dialog.h"

namespace pelorin {

class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(CWnd* parent = nullptr);

 protected:
  void DoDataExchange(CDataExchange* dx) override;

 private:
  std::string version_;
};

}  // namespace pelorin
