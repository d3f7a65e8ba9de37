#pragma once
// What the copying page shows while the steps run.

#include <string>

namespace tsrn::setup {

class InstallObserver {
  public:
    virtual ~InstallObserver() = default;
    virtual void ShowFileText(const std::string& text) = 0;
    virtual void ShowProgress(int position, const std::string& percentText) = 0;
};

}  // namespace tsrn::setup
