// Test doubles for the platform services the job frame and the support helpers use, installed with
// platform::ScopedService. Header-only, shared by the support, job and app tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/ui.h"

namespace radlyn::testing {

class FixedClock : public platform::Clock {
 public:
  explicit FixedClock(platform::LocalTime time) : time_(time) {}
  platform::LocalTime Now() override {
    ++calls;
    return time_;
  }
  // Waits are recorded, not slept.
  void Sleep(std::uint32_t milliseconds) override { waits.push_back(milliseconds); }
  int calls = 0;
  std::vector<std::uint32_t> waits;

 private:
  platform::LocalTime time_;
};

// Forwards every call to the native file system; tests override what they need to control.
class ForwardingFileSystem : public platform::FileSystem {
 public:
  bool Exists(std::string_view path) override { return native().Exists(path); }
  bool FolderExists(std::string_view path) override { return native().FolderExists(path); }
  bool IsLink(std::string_view path) override { return native().IsLink(path); }
  bool DeleteFile(std::string_view path) override { return native().DeleteFile(path); }
  bool MakeWritable(std::string_view path) override { return native().MakeWritable(path); }
  std::optional<std::string> FindFirstFile(std::string_view pattern) override {
    return native().FindFirstFile(pattern);
  }
  std::vector<std::string> FindFiles(std::string_view pattern) override {
    return native().FindFiles(pattern);
  }
  bool CreatePrivateFolder(std::string_view path) override {
    return native().CreatePrivateFolder(path);
  }
  bool CreateFolderTree(std::string_view path) override { return native().CreateFolderTree(path); }
  bool CreateEmptyFile(std::string_view path) override { return native().CreateEmptyFile(path); }
  bool CreateNewFile(std::string_view path) override { return native().CreateNewFile(path); }
  std::unique_ptr<platform::OwnFile> CreateOwnFile(std::string_view path) override {
    return native().CreateOwnFile(path);
  }
  bool RenameFile(std::string_view from, std::string_view to) override {
    return native().RenameFile(from, to);
  }
  std::optional<std::string> ReadWholeFile(std::string_view path, bool* opened) override {
    return native().ReadWholeFile(path, opened);
  }
  bool AppendToFile(std::string_view path, std::string_view bytes) override {
    return native().AppendToFile(path, bytes);
  }
  std::optional<std::uint64_t> FreeBytesAvailable(std::string_view root) override {
    return native().FreeBytesAvailable(root);
  }
  bool CopyTree(std::string_view source_pattern, std::string_view destination) override {
    return native().CopyTree(source_pattern, destination);
  }
  std::string TempFolder() override { return native().TempFolder(); }
  std::optional<std::string> CreateUniqueTempFile(std::string_view folder,
                                                  std::string_view prefix) override {
    return native().CreateUniqueTempFile(folder, prefix);
  }
  std::string CurrentFolder() override { return native().CurrentFolder(); }
  bool SetCurrentFolder(std::string_view path) override { return native().SetCurrentFolder(path); }
  std::string ProgramFilePath() override { return native().ProgramFilePath(); }

 private:
  static platform::FileSystem& native() { return platform::FileSystem::Native(); }
};

// Records what the program asks of windows and dialogs; nothing is shown.
class RecordingUserInterface : public platform::UserInterface {
 public:
  struct MessageBox {
    std::string text;
    std::string caption;
  };
  struct ModalDialog {
    int dialog_id;
    std::map<int, std::string> texts;
    int icon_id;
  };

  void ShowErrorMessage(std::string_view text, std::string_view caption) override {
    message_boxes.push_back({std::string(text), std::string(caption)});
  }
  void RunModalDialog(const platform::DialogTemplate& dialog,
                      const std::map<int, std::string>& texts, int icon_id) override {
    modal_dialogs.push_back({dialog.id, texts, icon_id});
  }
  std::optional<platform::WindowHandle> CreateModelessDialog(
      const platform::DialogTemplate& dialog) override {
    created_dialog_ids.push_back(dialog.id);
    if (throw_in_create) throw std::bad_alloc();
    if (!can_create_dialogs) return std::nullopt;
    live_windows.push_back(next_handle);
    return next_handle++;
  }
  void MoveWindow(platform::WindowHandle window, int x, int y, int width, int height) override {
    moves.push_back({window, x, y, width, height});
  }
  void BringToForeground(platform::WindowHandle window) override { foreground.push_back(window); }
  void DestroyWindow(platform::WindowHandle window) override { destroyed.push_back(window); }
  bool IsWindow(platform::WindowHandle window) override {
    for (platform::WindowHandle live : live_windows) {
      if (live == window) return true;
    }
    return false;
  }
  platform::ScreenSize PrimaryScreenSize() override { return {1280, 1024}; }

  struct Move {
    platform::WindowHandle window;
    int x, y, width, height;
    bool operator==(const Move&) const = default;
  };
  bool can_create_dialogs = true;
  bool throw_in_create = false;
  platform::WindowHandle next_handle = 0x10000;
  std::vector<platform::WindowHandle> live_windows;
  std::vector<MessageBox> message_boxes;
  std::vector<ModalDialog> modal_dialogs;
  std::vector<int> created_dialog_ids;
  std::vector<Move> moves;
  std::vector<platform::WindowHandle> foreground;
  std::vector<platform::WindowHandle> destroyed;
};

// A fresh folder below the system's temporary folder, removed at the end; path() ends with the
// native separator, and Sub() writes the '/' of its name as the native separator too.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() /
            ("radlyn-unit-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(root_);
  }
  ~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(root_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string path() const { return (root_ / "").string(); }
  std::string Sub(std::string_view name) const { return (root_ / name).make_preferred().string(); }

 private:
  std::filesystem::path root_;
};

}  // namespace radlyn::testing
