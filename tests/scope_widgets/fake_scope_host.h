// A ScopeHost that records what a scope window asks of it, for widget tests and benchmarks.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "scope/widgets/scope_host.h"
#include "scope/widgets/scope_window.h"

namespace corvane::testing {

class FakeScopeHost : public ScopeHost {
 public:
  struct Send {
    int value;
    int kindOrCode;  // SendPosition: kind; SendSetting: code
    bool setting;
    bool operator==(const Send&) const = default;
  };

  std::vector<Send> sends;
  std::vector<int> activated, closed;
  int enableScopeCommandsCalls = 0;
  bool loadFinished = true;
  bool refuseLoad = false;
  std::function<void()> pendingLoad;
  bool running = false;
  bool captureStarts = true;
  int captureCalls = 0;
  std::vector<uint8_t> buffer;
  std::optional<std::string> saveAnswer;
  std::vector<FileDialogRequest> dialogs;
  std::vector<std::string> fileErrors;
  std::map<int, ScopeWindow*> windows;  // slot -> open window
  DisplayColors palette;

  void SendPosition(uint16_t value, int kind) override { sends.push_back({value, kind, false}); }
  void SendSetting(uint16_t value, uint16_t code) override { sends.push_back({value, code, true}); }
  bool LoadFinished() const override { return loadFinished; }
  bool LoadSetup(int, std::function<void()> finished) override {
    if (refuseLoad) return false;
    loadFinished = false;
    pendingLoad = [this, finished] {
      loadFinished = true;
      finished();
    };
    return true;
  }
  void setScopeWindowsEnabled(bool enable) override {
    for (auto& [slot, window] : windows) window->setEnabled(enable);
  }
  bool loopRunning() const override { return running; }
  void startLoop(int) override { running = true; }
  void stopLoop() override { running = false; }
  void activateWindow(int slot) override { activated.push_back(slot); }
  void EnableScopeCommands() override { ++enableScopeCommandsCalls; }
  void pageChanged(int, int) override {}
  void scopeWindowClosed(int slot) override {
    closed.push_back(slot);
    windows.erase(slot);
    running = false;
  }
  const DisplayColors& colors() const override { return palette; }
  bool captureScreen(int) override {
    ++captureCalls;
    return captureStarts;
  }
  std::span<const uint8_t> captureBuffer() const override { return buffer; }
  std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override {
    dialogs.push_back(request);
    return saveAnswer;
  }
  void showFileError(std::string_view text) override { fileErrors.emplace_back(text); }
};

}  // namespace corvane::testing
