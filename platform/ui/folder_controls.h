// The drive list and the directory list box of the folder dialog. They see the file system
// through FolderSource, so that a test or the installer can hand them its system root.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/control.h"

namespace platform::ui {

// Windows paths as "C:\", "C:\Programs\Sub" (no trailing backslash except at a drive root).
class FolderSource {
 public:
  virtual ~FolderSource() = default;
  // Upper-case letters of the drives present.
  virtual std::vector<char> drives() const = 0;
  // Names of the folders directly inside a folder.
  virtual std::vector<std::string> subfolders(const std::string& windowsPath) const = 0;
  virtual bool folderExists(const std::string& windowsPath) const = 0;
};

// Lists the folders on the path to the current folder ("C:\", "Programs", "Sub"), then the
// current folder's subfolders, sorted without regard to case.
class DirectoryList : public Control {
 public:
  DirectoryList(Container& parent, std::string name, Rect r);
  void setSource(const FolderSource* s);
  const std::string& directory() const { return directory_; }
  // Changes the current folder; false (and no change) when it does not exist. Fires change.
  bool setDirectory(const std::string& windowsPath);
  char drive() const { return directory_.empty() ? '\0' : directory_[0]; }
  const std::vector<std::string>& items() const { return items_; }
  // How many items are path components (the rest are subfolders).
  int pathDepth() const { return depth_; }
  // Index of the current folder's item.
  int currentIndex() const { return depth_ - 1; }
  // The full path an item stands for.
  std::string pathOf(int index) const;
  // The user opens an item (a double click): it becomes the current folder.
  bool openItem(int index);
  void refresh();
  void describe(std::ostream& out) const override;

 private:
  const FolderSource* source_ = nullptr;
  std::string directory_;
  std::vector<std::string> items_;
  int depth_ = 0;
};

class DriveList : public Control {
 public:
  DriveList(Container& parent, std::string name, Rect r);
  void setSource(const FolderSource* s);
  // The directory list that follows the drive chosen here.
  void setDirectoryList(DirectoryList* d) { dirList_ = d; }
  const std::vector<char>& drives() const { return drives_; }
  char drive() const { return drive_; }
  // Items read "c:" as the drive list shows them.
  std::string itemText(int index) const;
  // Programmatic or user choice of a drive: the directory list moves to the drive's root.
  // False when the drive is not present. Fires change when the drive changed.
  bool setDrive(char letter);
  void refresh();
  void describe(std::ostream& out) const override;

 private:
  const FolderSource* source_ = nullptr;
  DirectoryList* dirList_ = nullptr;
  std::vector<char> drives_;
  char drive_ = '\0';
};

}  // namespace platform::ui
