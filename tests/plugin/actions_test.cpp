// The host actions as a host drives them: a start, the user in the dialog (through the UI
// hook and the automation API), the commit, the host's reports of each sending, the end.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "config/engine_record.h"
#include "platform/ui_test_support.h"
#include "plugin/flows.h"
#include "plugin/handlers.h"
#include "plugin/map_scale_items.h"
#include "plugin/vantel_app.h"
#include "res/dialog_ids.h"
#include "support/host_checks.h"
#include "support/message_boxes.h"
#include "support/messages.h"
#include "support/sample_machine.h"
#include "ui/cal_emg_dialog.h"
#include "ui/cal_map_dialog.h"

namespace vantel {
namespace {

using test::FakeHost;
using test::MessageBoxes;
using Texts = std::vector<std::string>;

constexpr const char* kKey = "EMG_EDIT";
constexpr const char* kEngineName = "TAB_CNFMOT_0";
constexpr const char* kMainCaption = "Engine management configuration M12";
constexpr const char* kMapCaption = "Map scale data selection (rail 1) M12";
constexpr const char* kRunning =
    "M12\nThis function can not be executed\nAn other action is running on this machine";

/// What the user does in the dialog: anything, then OK (true) or Cancel (false).
using UserPart = std::function<bool(VantelUiWindow dialog, MachineContext& context)>;

class ActionsTest : public ::testing::Test {
 protected:
  ActionsTest() {
    app.InitInstance();
    test::InstallSampleMachine(host, test::ConfigBuilder().Build(), test::SampleGroupsText(),
                               test::SampleScaleText());
  }
  ~ActionsTest() override {
    app.ExitInstance();
    test::ExpectNoLeak(host);
  }

  MachineContext& OpenMachine(int32_t index = 12) {
    OpenConfiguration(index, app, test::kSampleKey);
    MachineContext* context = FindContext(app, index);
    EXPECT_NE(context, nullptr);
    host.ClearLog();
    boxes.shown.clear();
    return *context;
  }

  /// Runs `start` with `user` playing the dialog whose caption is `caption` once; message
  /// boxes are answered with their default button.
  void Play(MachineContext& context, const std::function<void()>& start, const char* caption,
            const UserPart& user) {
    bool played = false;
    test::UiDriver driver([&](VantelUiWindow modal) {
      if (played || test::UiText(modal) != caption) return 0;
      played = true;
      if (user(modal, context)) {
        VantelUiPressOk(modal);
      } else {
        VantelUiPressCancel(modal);
      }
      return 1;
    });
    start();
    EXPECT_TRUE(played) << caption;
  }
  void Edit(MachineContext& context, const UserPart& user, const char* key = kKey) {
    Play(
        context, [&] { StartEditAction(context, key); }, kMainCaption, user);
  }

  std::vector<std::string> Ended() const { return host.RequestedItems(REQ_END_ACTION); }
  std::vector<std::string> SentItems() const { return host.RequestedItems(REQ_ITEM_SEND); }

  FakeHost host;
  ModuleState state;
  CVantelApp app{FakeHost::Entry(), "unused", &state};
  MessageBoxes boxes;
};

// A change of the ignition delay touches the engine table alone.
bool ChangeDelay(VantelUiWindow, MachineContext& context) {
  context.mainDialog->tables().engine.ignitionDelayUs ^= 1;
  return true;
}
bool Unchanged(VantelUiWindow, MachineContext&) { return true; }

TEST_F(ActionsTest, OnlyTheEngineTableChangedSendsItAloneAndTheLastSendingEndsTheAction) {
  MachineContext& context = OpenMachine();
  Edit(context, ChangeDelay);
  EXPECT_EQ(host.Count(REQ_ITEM_WRITE), 1u);
  EXPECT_EQ(SentItems(), Texts{kEngineName});
  EXPECT_EQ(host.Requests(REQ_ITEM_SEND)[0].InInt(), -1);
  EXPECT_EQ(context.tablesDone, kAllTablesDone & ~kDoneEngineTable);
  EXPECT_TRUE(Ended().empty());

  OnItemSent(context, "NOT_A_TABLE");  // no bit for it: still waiting
  EXPECT_TRUE(Ended().empty());
  OnItemSent(context, kEngineName);
  EXPECT_EQ(Ended(), Texts{kKey});
  // After all six, before the host's end, any further report ends the action again.
  OnItemSent(context, kEngineName);
  OnItemSent(context, "NOT_A_TABLE");
  EXPECT_EQ(Ended(), (Texts{kKey, kKey, kKey}));
  EXPECT_EQ(SentItems(), Texts{kEngineName});

  EndHostAction(context, "OTHER");  // not this action's key
  EXPECT_TRUE(context.Has(ActionRunning));
  EndHostAction(context, kKey);
  EXPECT_FALSE(context.Has(ActionRunning));
  EXPECT_EQ(context.actionKey, "");
  EXPECT_EQ(context.deferChecks, 0);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ActionsTest, ACommitWithNothingToSendEndsAtOnce) {
  struct Case {
    const char* name;
    int32_t machine;
    UserPart user;
    int32_t connection;
  };
  const Case cases[] = {
      {"nothing changed", 12, Unchanged, 1},
      {"among the first eight machines", 3, ChangeDelay, 1},
      {"no connection", 12, ChangeDelay, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.connection = c.connection;
    MachineContext& context = OpenMachine(c.machine);
    Edit(context, c.user);
    EXPECT_TRUE(SentItems().empty());
    EXPECT_EQ(Ended(), Texts{kKey});
    // No sending began, yet a report of the engine table completes the six and ends it again.
    OnItemSent(context, kEngineName);
    EXPECT_EQ(Ended(), (Texts{kKey, kKey}));
    EXPECT_TRUE(SentItems().empty());
    EndHostAction(context, kKey);
    OnItemSent(context, kEngineName);  // the host ended it: nothing runs
    EXPECT_EQ(Ended().size(), 2u);
    CloseConfiguration(context, test::kSampleKey);
  }
}

TEST_F(ActionsTest, ASecondStartDuringTheDialogIsRefused) {
  MachineContext& context = OpenMachine();
  Edit(context, [&](VantelUiWindow, MachineContext& c) {
    StartEditAction(c, kKey);  // the running action itself: nothing ended
    StartMapAction(c, "EMG_RAIL", 0);
    return false;
  });
  EXPECT_EQ(boxes.Texts(), (Texts{kRunning, kRunning}));
  // The second key is ended at once, the first by its own cancel.
  EXPECT_EQ(Ended(), (Texts{"EMG_RAIL", kKey}));
  EXPECT_TRUE(SentItems().empty());
}

TEST_F(ActionsTest, TheHostEndingTheActionCancelsTheDialogAndRunsTheOwedCheck) {
  MachineContext& context = OpenMachine();
  Edit(context, [&](VantelUiWindow, MachineContext& c) {
    // A change notification while the user edits is only noted.
    host.items[kEngineName].value = test::ConfigBuilder().Cylinders(7).Build().engine();
    OnValueChanged(c, kEngineName);
    EXPECT_TRUE(c.Has(RecheckPending));
    EXPECT_EQ(c.ConfigState, kConfigCoherent);
    EndHostAction(c, kKey);
    return true;  // OK after the end: the cancel stands
  });
  EXPECT_EQ(context.ConfigState, kConfigIncoherent);
  EXPECT_FALSE(context.Has(ActionRunning | RecheckPending));
  EXPECT_EQ(context.mainDialog, nullptr);
  // The cancel path ends the action with the key the host's end already emptied.
  EXPECT_EQ(Ended(), Texts{""});
  EXPECT_EQ(host.Count(REQ_ITEM_WRITE), 2u);  // the two summary words of the check
}

// Each sending error the host reports, before it ends the action and after, runs its whole
// flow: the error code, the text, the message box and the end.
TEST_F(ActionsTest, EachSendingErrorShowsTheHostsTextAndEndsTheAction) {
  struct Case {
    const char* what;
    int32_t failing;   // the request that fails, or 0
    size_t boxCount;   // the failed request shows its own box first
    const char* last;  // the last box of one report
  };
  const Case cases[] = {
      {"with the host's text", 0, 1,
       "M12\nFinal transmission error\nChecksum refused\nAction aborted"},
      {"without it", REQ_ITEM_ERROR_TEXT, 2, "M12\nFinal transmission error\nAction aborted"},
      {"without the code", REQ_ITEM_ERROR_CODE, 1, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MachineContext& context = OpenMachine();
    Edit(context, ChangeDelay);
    host.items[kEngineName].errorCode = 0;
    OnItemSendError(context, kEngineName);  // code 0: nothing
    EXPECT_TRUE(Ended().empty());
    host.items[kEngineName].errorCode = 7;
    host.items[kEngineName].errorText = "Checksum refused";
    if (c.failing) host.Fail(c.failing, kEngineName, -3, 2);  // once for each report
    for (size_t report = 1; report <= 2; ++report) {
      OnItemSendError(context, kEngineName);
      ASSERT_EQ(boxes.shown.size(), c.boxCount * report);
      if (c.last) {
        EXPECT_EQ(boxes.shown.back().text, c.last);
      }
      EXPECT_EQ(Ended(), Texts(report, kKey));
    }
    EXPECT_EQ(SentItems(), Texts{kEngineName});  // nothing more sent after the end
    EndHostAction(context, kKey);
    boxes.shown.clear();
    OnItemSendError(context, kEngineName);  // the host ended it: nothing runs
    EXPECT_TRUE(boxes.shown.empty());
  }
}

// A host that reports sendings while the dialog is still open: nothing has been sent yet, so
// the reports cannot be this action's; the user's OK then writes, sends and ends it once.
TEST_F(ActionsTest, SendingReportsWhileTheDialogIsOpenAreIgnored) {
  MachineContext& context = OpenMachine();
  host.items[kEngineName].errorCode = 7;
  host.items[kEngineName].errorText = "Checksum refused";
  Edit(context, [](VantelUiWindow window, MachineContext& c) {
    for (const char* name : test::kSampleTableNames) OnItemSent(c, name);
    OnItemSendError(c, kEngineName);
    return ChangeDelay(window, c);
  });
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(host.Count(REQ_ITEM_ERROR_CODE), 0u);
  EXPECT_EQ(host.Count(REQ_ITEM_WRITE), 1u);
  EXPECT_EQ(SentItems(), Texts{kEngineName});
  EXPECT_TRUE(Ended().empty());
  OnItemSent(context, kEngineName);
  EXPECT_EQ(Ended(), Texts{kKey});
}

// Two tables changed (the minimum speed in SyncTable, the delay in EngineTable); the first
// send fails, or the host ends the action while it takes the first: the second is not sent.
TEST_F(ActionsTest, ASendingCutShortSendsNoMore) {
  for (const bool hostEnds : {false, true}) {
    SCOPED_TRACE(hostEnds ? "the host ends the action" : "the send fails");
    MachineContext& context = OpenMachine();
    if (hostEnds) {
      host.onRequest = [&](const test::RequestRecord& r) {
        if (r.code == REQ_ITEM_SEND) EndHostAction(context, kKey);
      };
    } else {
      host.Fail(REQ_ITEM_SEND, test::kSampleTableNames[1], -3, 1);
    }
    Edit(context, [&](VantelUiWindow d, MachineContext& c) {
      VantelUiSetEditText(VantelUiGetControl(d, IDC_SYNC_RPM), hostEnds ? "124" : "123");
      c.mainDialog->tables().engine.ignitionDelayUs ^= 1;
      return true;
    });
    host.onRequest = nullptr;
    EXPECT_EQ(SentItems(), Texts{test::kSampleTableNames[1]});
    EXPECT_EQ(boxes.shown.size(), hostEnds ? 0u : 1u);
    EXPECT_EQ(Ended(), hostEnds ? Texts{} : Texts{kKey});
    EndHostAction(context, kKey);
    CloseConfiguration(context, test::kSampleKey);
  }
}

TEST_F(ActionsTest, EachPreconditionEndsTheActionWithItsMessage) {
  struct Case {
    const char* name;
    std::function<void(MachineContext&)> spoil;
    std::string message;
  };
  const Case cases[] = {
      {"closed", [&](MachineContext& c) { CloseConfiguration(c, test::kSampleKey); },
       "M12\n" + test::messages::kMajorError},
      {"table not received",
       [&](MachineContext&) { host.items[test::kSampleTableNames[3]].id = -1; },
       "M12\nThe data to be tuned has not been received from the machine\n\n"
       "The setting can not be done yet"},
      {"tables updating", [](MachineContext& c) { c.BeginTablesUpdate(); },
       "M12\nThe flywheel description tables are being automatically updated\n"
       "Wait for some seconds and try again to run this configuration function"},
      {"format unknown", [](MachineContext& c) { c.ConfigState = kConfigUnknownToEcu; },
       "M12\nKALBRIX MAJOR ERROR\nThis Kalbrix cannot be used and cannot be saved:\n"
       "Command table format unknown\nAction canceled"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MachineContext& context = OpenMachine();
    c.spoil(context);
    StartEditAction(context, kKey);
    EXPECT_EQ(boxes.Texts(), Texts{c.message});
    EXPECT_EQ(Ended(), Texts{kKey});
    EXPECT_EQ(context.mainDialog, nullptr);
    EndHostAction(context, kKey);
    CloseConfiguration(context, test::kSampleKey);
    host.items[test::kSampleTableNames[3]].id = test::SampleIds::kFirstTable + 3;
  }
}

// --- the map scale dialog

class MapActionTest : public ActionsTest {
 protected:
  MapActionTest() {
    // Distinct lists, and a user level that may not exchange a fixed item.
    host.userValues = {{"VALUSER_LSTSEL", 0x01},
                       {"VALUSER_LSTSXC", 0x02},
                       {"VALUSER_LSTSYC", 0x04},
                       {"VALUSER_LSTPIL", 0x08},
                       {"VALUSER_LSTPID", 0x10}};
    host.userLevel = 6;
    AddCandidate("SCALE_A", 0x5001, "Engine speed");
    AddCandidate("SCALE_B", 0x5002, "");
    host.AddItem("NOT_SELECTABLE", 0x5003, 1).lists = 0x02;
    host.AddItem("FIXED_SCALE", 0x5004, 1).lists = 0x03;
  }
  void AddCandidate(const std::string& name, int32_t id, const std::string& label) {
    test::Item& item = host.AddItem(name, id, 1);
    item.lists = 0x01;
    item.label = label;
  }
  /// Stores the rail 1 pair of the engine table.
  void StorePair(uint32_t vertical, uint32_t horizontal) {
    WordTable engine = std::get<hostcore::Words>(host.items[kEngineName].value);
    SetLong(engine, kRail1ScaleWord, vertical);
    SetLong(engine, kRail1ScaleWord + 2, horizontal);
    host.items[kEngineName].value = engine;
  }
  void Choose(const UserPart& user) {
    MachineContext& context = *FindContext(app, 12);
    Play(
        context, [&] { StartMapAction(context, kKey, 0); }, kMapCaption, user);
  }
  static VantelUiWindow Vertical(VantelUiWindow d) {
    return VantelUiGetControl(d, IDC_MAP_VERTICAL);
  }
  static VantelUiWindow Horizontal(VantelUiWindow d) {
    return VantelUiGetControl(d, IDC_MAP_HORIZONTAL);
  }
  WordTable WrittenPair() const {
    const WordTable engine = host.Written(kEngineName).value_or(WordTable{});
    return WordTable(engine.begin() + kRail1ScaleWord, engine.begin() + kRail1ScaleWord + 4);
  }
};

TEST_F(MapActionTest, NoDataBothSidesOpensOnNoDataAndAChoiceIsWrittenAndSent) {
  StorePair(0xFFFF0000u, 0xFFFF0000u);
  MachineContext& context = OpenMachine();
  Choose([](VantelUiWindow d, MachineContext&) {
    EXPECT_EQ(test::UiItems(Vertical(d)), (Texts{"NO DATA", "Engine speed", "SCALE_B"}));
    EXPECT_EQ(VantelUiGetSelection(Vertical(d)), 0);
    EXPECT_EQ(VantelUiGetSelection(Horizontal(d)), 0);
    VantelUiDismissComboAt(Horizontal(d), 2);  // closed without a choice
    EXPECT_EQ(VantelUiGetSelection(Horizontal(d)), 0);
    VantelUiSelectComboItem(Vertical(d), 1);
    return true;
  });
  EXPECT_EQ(WrittenPair(), (WordTable{0x5001, 0, 0, 0xFFFF}));
  EXPECT_EQ(SentItems(), Texts{kEngineName});
  EXPECT_EQ(context.deferChecks, 0);
}

TEST_F(MapActionTest, AnUnchangedChoiceSendsNothingAndMarksEveryTableDone) {
  StorePair(0x5001, 0x5002);
  MachineContext& context = OpenMachine();
  Choose([](VantelUiWindow d, MachineContext&) {
    EXPECT_EQ(VantelUiGetSelection(Vertical(d)), 1);
    EXPECT_EQ(VantelUiGetSelection(Horizontal(d)), 2);
    return true;
  });
  EXPECT_EQ(host.Count(REQ_ITEM_WRITE), 0u);
  EXPECT_EQ(context.tablesDone, kAllTablesDone);
  EXPECT_EQ(Ended(), Texts{kKey});
}

TEST_F(MapActionTest, AChangeAfterAnEarlierActionStillSendsTheEngineTable) {
  MachineContext& context = OpenMachine();
  context.tablesDone = kAllTablesDone;  // what a finished action leaves
  Choose([](VantelUiWindow d, MachineContext&) {
    VantelUiSelectComboItem(Horizontal(d), 2);
    return true;
  });
  EXPECT_EQ(context.tablesDone, kAllTablesDone & ~kDoneEngineTable);
  EXPECT_EQ(SentItems(), Texts{kEngineName});
}

TEST_F(MapActionTest, AFixedItemIsShownAloneAndKeptWhenChosenAgain) {
  StorePair(0x5004, 0xFFFF0000u);
  OpenMachine();
  Choose([](VantelUiWindow d, MachineContext&) {
    EXPECT_EQ(test::UiItems(Vertical(d)), Texts{"FIXED_SCALE"});
    VantelUiSelectComboItem(Vertical(d), 0);
    VantelUiSelectComboItem(Horizontal(d), 1);
    return true;
  });
  EXPECT_EQ(WrittenPair(), (WordTable{0x5004, 0, 0x5001, 0}));
}

TEST_F(MapActionTest, CancelWritesNothingAndWithoutCandidatesOnlyNoDataIsOffered) {
  for (const char* name : {"SCALE_A", "SCALE_B"}) host.items[name].attributes[REQ_ITEM_ATTR_10] = 0;
  OpenMachine();
  Choose([](VantelUiWindow d, MachineContext&) {
    EXPECT_EQ(test::UiItems(Vertical(d)), Texts{"NO DATA"});
    EXPECT_EQ(test::UiItems(Horizontal(d)), Texts{"NO DATA"});
    VantelUiSelectComboItem(Vertical(d), 0);
    return false;
  });
  EXPECT_EQ(host.Count(REQ_ITEM_WRITE), 0u);
  EXPECT_EQ(Ended(), Texts{kKey});
}

TEST_F(MapActionTest, OkOutsideAnActionChangesOnlyTheCopy) {
  MachineContext& context = OpenMachine();
  HostMapScaleItems items(context);
  DialogTables model = DialogTables::From(context);
  CSisCalMapDialog dialog(0, items, "Map", 1, model);
  test::UiDriver driver([](VantelUiWindow d) {
    VantelUiSelectComboItem(VantelUiGetControl(d, IDC_MAP_VERTICAL), 2);
    // A choice taken with no entry selected stands for no item, never for a candidate.
    const Hwnd horizontal = VantelUiGetControl(d, IDC_MAP_HORIZONTAL);
    VantelUiSelectComboItem(horizontal, 1);
    SetSelection(horizontal, -1);
    NotifyParent(horizontal, MessageKind::SelEndOk);
    VantelUiPressOk(d);
    return 1;
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.verticalId(), 0x5002);
  EXPECT_EQ(dialog.horizontalId(), -1);
  const WordTable engine = model.Encode()[kEngineTable];
  EXPECT_EQ(Long(engine, kRail2ScaleWord), 0x5002u);
  EXPECT_EQ(Long(engine, kRail2ScaleWord + 2), 0xFFFF0000u);
  EXPECT_EQ(host.Count(REQ_ITEM_WRITE), 0u);
  EXPECT_EQ(context.tablesDone, 0);
}

}  // namespace
}  // namespace vantel

namespace vantel {
namespace {

// Any export from inside any modal loop of an action: the main dialog's, the map dialog's,
// and a message box's (a sending error's). Under the sanitizers nothing may be used after a
// nested call destroyed or replaced it, and the machine must end able to run the next action.
enum class Loop { kMainDialog, kMapDialog, kMessageBox };

struct Nested {
  const char* name;
  void (*call)(CVantelApp& app, MachineContext& context);
};

constexpr Nested kNested[] = {
    {"StartSameKey", [](CVantelApp&, MachineContext& c) { StartEditAction(c, kKey); }},
    {"StartOtherKey", [](CVantelApp&, MachineContext& c) { StartEditAction(c, "OTHER"); }},
    {"StartMap", [](CVantelApp&, MachineContext& c) { StartMapAction(c, "OTHER", 1); }},
    {"EndAction", [](CVantelApp&, MachineContext& c) { EndHostAction(c, kKey); }},
    {"EndOtherAction", [](CVantelApp&, MachineContext& c) { EndHostAction(c, "OTHER"); }},
    {"EndThenStart",
     [](CVantelApp&, MachineContext& c) {
       EndHostAction(c, kKey);
       StartEditAction(c, "SECOND");  // the nested action's own dialog: cancelled headless
     }},
    {"ItemSent", [](CVantelApp&, MachineContext& c) { OnItemSent(c, kEngineName); }},
    {"SendError", [](CVantelApp&, MachineContext& c) { OnItemSendError(c, kEngineName); }},
    {"ValueChanged", [](CVantelApp&, MachineContext& c) { OnValueChanged(c, kEngineName); }},
    {"SensorsChanged", [](CVantelApp&, MachineContext& c) { OnSensorsChanged(c, "TAB_SENSORS"); }},
    {"StatusChanged", [](CVantelApp&, MachineContext& c) { OnCommandStatusChanged(c, "LST"); }},
    {"Connection", [](CVantelApp&, MachineContext& c) { ConnectionUp(c); }},
    {"Save", [](CVantelApp&, MachineContext& c) { SaveCheck(c, test::kSampleKey); }},
    {"Close", [](CVantelApp&, MachineContext& c) { CloseConfiguration(c, test::kSampleKey); }},
    {"CloseReopen",
     [](CVantelApp& app, MachineContext& c) {
       CloseConfiguration(c, test::kSampleKey);
       OpenConfiguration(12, app, test::kSampleKey);
     }},
};

class ActionReentryTest : public ActionsTest,
                          public ::testing::WithParamInterface<std::tuple<Loop, size_t>> {};

TEST_P(ActionReentryTest, AnyExportInsideTheLoopLeavesTheMachineUsable) {
  // Not a structured binding: clang 14, the coverage build's compiler, cannot capture one.
  const Loop loop = std::get<0>(GetParam());
  const Nested& nested = kNested[std::get<1>(GetParam())];
  MachineContext& context = OpenMachine();
  host.items[kEngineName].errorCode = 5;
  host.items[kEngineName].errorText = "Refused";
  bool nestedDone = false;
  test::UiDriver driver([&](VantelUiWindow modal) {
    const std::string caption = test::UiText(modal);
    const bool mainDialog = caption == kMainCaption;
    const bool ours = loop == Loop::kMainDialog  ? mainDialog
                      : loop == Loop::kMapDialog ? caption == kMapCaption
                                                 : !mainDialog && caption != kMapCaption;
    if (!ours || nestedDone) {
      // The action's own dialog confirms a change (before a sending error's box, so that
      // there is a sending for it to concern); anything else gives up.
      if (!mainDialog || !(nestedDone || loop == Loop::kMessageBox)) return 0;
      if (context.mainDialog) context.mainDialog->tables().engine.ignitionDelayUs ^= 1;
      VantelUiPressOk(modal);
      return 1;
    }
    nestedDone = true;
    nested.call(app, context);
    if (loop == Loop::kMessageBox) return 0;
    VantelUiPressOk(modal);
    return 1;
  });
  if (loop == Loop::kMapDialog) {
    StartMapAction(context, kKey, 0);
  } else {
    StartEditAction(context, kKey);
  }
  if (loop == Loop::kMessageBox) OnItemSendError(context, kEngineName);
  EXPECT_TRUE(nestedDone);
  EXPECT_EQ(context.mainDialog, nullptr);
  EXPECT_EQ(context.mapDialog, nullptr);

  // Whatever happened, the host's end of the action leaves the machine ready for the next.
  EndHostAction(context, context.actionKey);
  EXPECT_FALSE(context.Has(ActionRunning | RecheckPending));
  if (!context.Has(Open)) OpenConfiguration(12, app, test::kSampleKey);
  ASSERT_TRUE(context.Has(Open));
  host.ClearLog();
  Edit(context, Unchanged, "NEXT");
  EXPECT_EQ(Ended(), Texts{"NEXT"});
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Loop, size_t>>& info) {
  constexpr const char* kLoops[] = {"MainDialog", "MapDialog", "MessageBox"};
  return std::string(kLoops[static_cast<int>(std::get<0>(info.param))]) +
         kNested[std::get<1>(info.param)].name;
}

INSTANTIATE_TEST_SUITE_P(Loops, ActionReentryTest,
                         ::testing::Combine(::testing::Values(Loop::kMainDialog, Loop::kMapDialog,
                                                              Loop::kMessageBox),
                                            ::testing::Range<size_t>(0, std::size(kNested))),
                         CaseName);

}  // namespace
}  // namespace vantel

namespace vantel {
namespace {

// The host ends the action while it takes the first send and starts another at once, which
// the user confirms with a change of its own: the new action sends its table, and the rest of
// the old one's (the engine table after the sync table) is never sent.
TEST_F(ActionsTest, ASendingCutShortByAnotherActionSendsOnlyTheNewActionsTables) {
  MachineContext& context = OpenMachine();
  int dialogs = 0;
  test::UiDriver driver([&](VantelUiWindow modal) {
    if (test::UiText(modal) != kMainCaption) return 0;
    if (++dialogs == 1) VantelUiSetEditText(VantelUiGetControl(modal, IDC_SYNC_RPM), "123");
    context.mainDialog->tables().engine.ignitionDelayUs ^= 1;
    VantelUiPressOk(modal);
    return 1;
  });
  bool restarted = false;
  host.onRequest = [&](const test::RequestRecord& r) {
    if (r.code != REQ_ITEM_SEND || restarted) return;
    restarted = true;
    EndHostAction(context, kKey);
    StartEditAction(context, "SECOND");
  };
  StartEditAction(context, kKey);
  host.onRequest = nullptr;
  EXPECT_EQ(dialogs, 2);
  // The log holds a request once answered: the new action's send inside the old one's.
  EXPECT_EQ(SentItems(), (Texts{kEngineName, test::kSampleTableNames[kSyncTable]}));
  EXPECT_TRUE(Ended().empty());
  EXPECT_EQ(context.actionKey, "SECOND");
  EXPECT_TRUE(boxes.shown.empty());
  OnItemSent(context, kEngineName);
  EXPECT_EQ(Ended(), Texts{"SECOND"});
  EndHostAction(context, "SECOND");
}

// An empty error text (the NUL alone) is a text: it stands as an empty line of the message.
TEST_F(ActionsTest, AnEmptySendingErrorTextLeavesItsLineEmpty) {
  MachineContext& context = OpenMachine();
  Edit(context, ChangeDelay);
  host.items[kEngineName].errorCode = 7;
  host.items[kEngineName].errorText = "";
  OnItemSendError(context, kEngineName);
  EXPECT_EQ(boxes.Texts(), Texts{"M12\nFinal transmission error\n\nAction aborted"});
  EXPECT_EQ(Ended(), Texts{kKey});
  EndHostAction(context, kKey);
}

// A sending error's message box in which the host ends the action and starts another, which
// the user confirms: once the box is closed the plug-in ends neither, the new action's own
// sending being still to come.
TEST_F(ActionsTest, AnotherActionStartedFromASendingErrorBoxIsNotEndedByIt) {
  MachineContext& context = OpenMachine();
  Edit(context, ChangeDelay);
  host.items[kEngineName].errorCode = 7;
  host.items[kEngineName].errorText = "Refused";
  bool restarted = false;
  test::UiDriver driver([&](VantelUiWindow modal) {
    if (test::UiText(modal) == kMainCaption) {  // the new action's dialog
      ChangeDelay(modal, context);
      VantelUiPressOk(modal);
      return 1;
    }
    if (!restarted) {
      restarted = true;
      EndHostAction(context, kKey);
      StartEditAction(context, "SECOND");
    }
    VantelUiPressOk(modal);
    return 1;
  });
  host.ClearLog();
  OnItemSendError(context, kEngineName);
  EXPECT_TRUE(restarted);
  EXPECT_EQ(SentItems(), Texts{kEngineName});  // the new action's
  EXPECT_TRUE(Ended().empty());
  EXPECT_EQ(context.actionKey, "SECOND");
  EXPECT_FALSE(context.actionEndAsked);
  EndHostAction(context, "SECOND");
}

// Reports of sendings while the map dialog is open cannot be this action's either: they
// change nothing, and the choice is then written, sent and ended once.
TEST_F(MapActionTest, SendingReportsWhileTheMapDialogIsOpenAreIgnored) {
  MachineContext& context = OpenMachine();
  context.tablesDone = kAllTablesDone;  // what a finished action leaves
  host.items[kEngineName].errorCode = 7;
  host.items[kEngineName].errorText = "Checksum refused";
  Choose([](VantelUiWindow d, MachineContext& c) {
    for (const char* name : test::kSampleTableNames) OnItemSent(c, name);
    OnItemSendError(c, kEngineName);
    VantelUiSelectComboItem(Horizontal(d), 2);
    return true;
  });
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(host.Count(REQ_ITEM_ERROR_CODE), 0u);
  EXPECT_EQ(SentItems(), Texts{kEngineName});
  EXPECT_TRUE(Ended().empty());
  OnItemSent(context, kEngineName);
  EXPECT_EQ(Ended(), Texts{kKey});
}

// A label the host gives empty is no label: the entry shows no data, as for a failed request.
TEST_F(MapActionTest, AnEmptyLabelShowsAsNoData) {
  host.Program(REQ_ITEM_LABEL, "SCALE_A", test::TextReply(""));
  OpenMachine();
  Choose([](VantelUiWindow d, MachineContext&) {
    EXPECT_EQ(test::UiItems(Vertical(d)), (Texts{"NO DATA", "NO DATA", "SCALE_B"}));
    return false;
  });
  EXPECT_TRUE(boxes.shown.empty());
}

// The empty name read from the NUL alone names no item: nothing is asked about it.
TEST_F(MapActionTest, AnItemListOfTheNulAloneOffersOnlyNoDataSilently) {
  host.Program(REQ_ITEM_LIST, "", test::TextReply(""));
  OpenMachine();
  Choose([](VantelUiWindow d, MachineContext&) {
    EXPECT_EQ(test::UiItems(Vertical(d)), Texts{"NO DATA"});
    EXPECT_EQ(test::UiItems(Horizontal(d)), Texts{"NO DATA"});
    return false;
  });
  EXPECT_EQ(boxes.Texts(), Texts{});
}

}  // namespace
}  // namespace vantel
