#pragma once
// The window's view port for tests of the logic behind it: no folders, and
// it remembers what it was told (the settings, what it sent, saved, resent,
// and which folders it stopped around a piece of work).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/ViewPort.h"

namespace tsrn::test {

class RecordingView : public app::ViewPort {
  public:
    explicit RecordingView(std::uint32_t protection = 0) : word(protection) {}

    int FolderCount() const override { return 0; }
    int SelectedPosition() const override { return 0; }
    void ResendAllStates() override { ++resends; }
    bool RunWithFoldersStopped(const std::string& folder,
                               const std::function<void()>& work) override {
        stopped.push_back(folder);
        work();
        return true;
    }
    std::uint32_t GlobalProtection() const override { return word; }
    void SetGlobalProtection(std::uint32_t protection) override { word = protection; }
    void SendGlobalProtection() override { sent.push_back(word); }
    int EnterAction() const override { return enter; }
    void SetEnterAction(int action) override { enter = action; }
    void SaveSettings() override { ++saves; }
    void DriverRestarted() override { ++driverRestarts; }

    std::uint32_t word;
    int enter = 0;
    std::vector<std::uint32_t> sent;  // the word at each send
    int saves = 0;
    int resends = 0;
    int driverRestarts = 0;
    std::vector<std::string> stopped;
};

}  // namespace tsrn::test
