#pragma once
// The engine configuration dialog: five pages over the dialog's model, a machine's records
// decoded once; OK encodes the model once, runs the rules over it and ends the dialog with
// that encoding, which the plug-in publishes.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/dialog.h"
#include "ui/dialog_tables.h"
#include "ui/machine_context.h"

namespace vantel {

class CSisCalPage;
class CSisCalMot;
class CSisCalBnk;
class CSisCalPha;
class CSisCalAll;
class CSisCalEss;

class CSisCalEmgDialog : public Dialog {
 public:
  /// Tab order of the pages.
  enum PageIndex : int {
    kEnginePage = 0,
    kBanksPage,
    kPhasesPage,
    kIgnitionPage,
    kInjectionPage,
    kPageCount
  };

  /// Decodes `context`'s records, dropping banks the ECU cannot manage. The context is not
  /// owned; it must outlive the dialog.
  CSisCalEmgDialog(Hwnd parent, MachineContext& context, std::string title);
  ~CSisCalEmgDialog() override;

  DialogTables& tables() { return tables_; }
  /// The model's tables as the last check encoded them, the machine's before any check:
  /// what an OK publishes.
  const std::array<WordTable, kConfigTableCount>& edited() const { return edited_; }
  MachineContext& context() const { return *context_; }

  CSisCalMot* enginePage() const;
  CSisCalBnk* banksPage() const;
  CSisCalPha* phasesPage() const;
  CSisCalAll* ignitionPage() const;
  CSisCalEss* injectionPage() const;
  /// The page shown, -1 before the first is selected.
  int currentPage() const { return currentPage_; }

  /// Saves page `index`; false when the page refused a value. A missing page has nothing
  /// to refuse.
  bool SavePage(int index);
  /// The rules over the model, encoded once into `edited()`, their messages shown in the
  /// machine's report. True when the engine, ignition and injection rules found nothing.
  bool CheckDialogTables();

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnMessage(const Message& message, intptr_t& result) override;

 private:
  void SelectPage(int index);
  CSisCalPage* Page(int index) const;
  void OnSize(int clientHeight);
  void OnVScroll(int32_t request, int thumbPosition);
  /// Keeps the width and at most the height of the template while a border is dragged.
  void OnSizing(int32_t edge, Rect& rect) const;

  MachineContext* context_;
  std::string title_;
  DialogTables tables_;
  std::array<WordTable, kConfigTableCount> edited_;
  std::array<std::unique_ptr<CSisCalPage>, kPageCount> pages_;
  int currentPage_ = -1;
  int lineStep_ = 10;
  int contentHeight_ = 0;
  int scrollPosition_ = 0;
  int viewHeight_ = 0;
  Rect initialRect_{};
};

}  // namespace vantel
