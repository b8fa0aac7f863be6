#pragma once
// The automation API as a host reaches it: the plug-in's exports looked up by name, and the
// reads every host repeats.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "json.h"
#include "vantel/ui_automation.h"
#include "vocabulary.h"

namespace vantel::host {

/// The automation calls that read a report's findings.
struct FindingsApi {
  VantelUiWindow (*findWindow)(const char*) = nullptr;
  char* (*reportFindings)(VantelUiWindow) = nullptr;

  /// The plug-in's JSON array for the report captioned `caption`, one entry per row (null
  /// for a row no rule made); an empty array when there is no such report.
  Json Read(const std::string& caption) const;
};

/// The automation API as the loaded plug-in exports it.
struct UiApi {
  void (*setHook)(VantelUiHookFn, void*);
  void (*setScreenSize)(int32_t, int32_t);
  VantelUiWindow (*getControl)(VantelUiWindow, int32_t);
  VantelUiWindow (*getChild)(VantelUiWindow, int32_t);
  int32_t (*getId)(VantelUiWindow);
  int32_t (*getKind)(VantelUiWindow, char*, int32_t);
  int32_t (*getText)(VantelUiWindow, char*, int32_t);
  int32_t (*isVisible)(VantelUiWindow);
  int32_t (*isEnabled)(VantelUiWindow);
  int32_t (*isChecked)(VantelUiWindow);
  int32_t (*getItemCount)(VantelUiWindow);
  int32_t (*getItemText)(VantelUiWindow, int32_t, char*, int32_t);
  int32_t (*getSelection)(VantelUiWindow);
  int32_t (*click)(VantelUiWindow);
  int32_t (*selectComboItem)(VantelUiWindow, int32_t);
  int32_t (*dismissComboAt)(VantelUiWindow, int32_t);
  int32_t (*setEditText)(VantelUiWindow, const char*);
  int32_t (*selectTab)(VantelUiWindow, int32_t);
  int32_t (*pressOk)(VantelUiWindow);
  int32_t (*pressCancel)(VantelUiWindow);
  VantelUiWindow (*askHelp)(VantelUiWindow);
  int32_t (*renderSvgToFile)(VantelUiWindow, const char*);
  char* (*renderSvg)(VantelUiWindow);
  int32_t (*getRect)(VantelUiWindow, int32_t[4]);
  int32_t (*getScroll)(VantelUiWindow, int32_t[4]);
  int32_t (*resize)(VantelUiWindow, int32_t, int32_t, int32_t);
  int32_t (*scroll)(VantelUiWindow, int32_t, int32_t);
  VantelUiWindow (*findWindow)(const char*);

  static UiApi Load(const std::function<void*(const char*)>& resolve);

  std::string Text(VantelUiWindow window) const;
  std::string Kind(VantelUiWindow window) const;
  /// Nothing for a stale handle or a kind this host does not know.
  std::optional<ControlKind> KindOf(VantelUiWindow window) const;
  std::vector<std::string> Items(VantelUiWindow window) const;
};

}  // namespace vantel::host
