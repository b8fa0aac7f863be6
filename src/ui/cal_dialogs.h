#pragma once
// The editing dialogs a running host action owns.

namespace vantel {

class CSisCalEmgDialog {
 public:
  virtual ~CSisCalEmgDialog() = default;
};

class CSisCalMapDialog {
 public:
  virtual ~CSisCalMapDialog() = default;
};

}  // namespace vantel
