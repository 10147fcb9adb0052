#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Classes/FlipsideViewController.h"
#include "Classes/RootViewController.h"
#include "Classes/TuningEditorViewController.h"
#include "common/Tuning.h"
#include "common/UserTunings.h"
#include "platform/Application.h"
#include "platform/Label.h"
#include "platform/NavigationBar.h"
#include "platform/TableView.h"
#include "platform/TextField.h"
#include "tests/support/TunerScreenFixture.h"
#include "views/NoteButton.h"
#include "views/TunerView.h"
#include "views/TuningEditorView.h"

using platform::Key;
using platform::keyForCharacter;
using platform::KeyModifierControl;
using platform::KeyModifierShift;
namespace fs = std::filesystem;

namespace {

// The app's shell on a window of its own, the config directory (and so the
// tunings file) in a temporary folder, the settings screen showing. Keys and
// typed text go through the application, as the window's would.
class TuningEditorTest : public TunerScreenFixture {
 protected:
  void SetUp() override {
    TunerScreenFixture::SetUp();
    startAsLaunched();
    fs::create_directories(config / "quillon");
  }
  void TearDown() override {
    root.reset();
    Tuning::registerUserTunings({});
    TunerScreenFixture::TearDown();
  }

  // Starts the app with this tunings file (none: no file) and opens the
  // settings.
  void start(const std::optional<std::string>& file = std::nullopt) {
    if (file) write(*file);
    Tuning::registerUserTunings(loadUserTunings(tuningsFile()));
    root = std::make_shared<RootViewController>(
        [this] {
          auto c = std::make_shared<MainViewController>(
              [] { return std::make_shared<TestAudioSource>(); }, preferences.get());
          tuner = c.get();
          return c;
        },
        [this] {
          auto c = std::make_shared<FlipsideViewController>(preferences.get());
          settings = c.get();
          return c;
        });
    application.window()->addSubview(root->view());
    application.setKeyHandler([this](Key k, unsigned m) { return root->keyDown(k, m); });
    key(keyForCharacter('i'));
    ASSERT_TRUE(root->isShowingFlipside());
  }

  std::string tuningsFile() const { return (config / "quillon" / "tunings").string(); }
  void write(const std::string& text) { std::ofstream(tuningsFile(), std::ios::binary) << text; }
  std::string read() const {
    std::ifstream in(tuningsFile(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::vector<std::string> configFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(config / "quillon")) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  bool key(Key k, unsigned modifiers = 0) { return application.keyDown(k, modifiers); }
  void type(const std::string& text) { ASSERT_TRUE(application.textInput(text)); }
  TuningEditorViewController& editor() { return *root->tuningEditor(); }
  TuningEditorView& editorView() { return *editor().editorView(); }
  void click(platform::Button* button) {
    button->sendActionsForControlEvents(platform::ControlEventTouchDown);
  }
  void click(const std::shared_ptr<platform::Button>& button) { click(button.get()); }
  std::string message() { return editorView().messageLabel()->text(); }
  std::string storedTuning() { return preferences->stringForKey(TargetTuningOption).value_or(""); }

  test_support::TempDir configDir{"editor-config"};
  fs::path config{configDir.path()};
  test_support::ScopedEnv configHome{"XDG_CONFIG_HOME", configDir.path().c_str()};
  platform::Application application;  // its window, never opened
  std::shared_ptr<RootViewController> root;
  MainViewController* tuner = nullptr;
  FlipsideViewController* settings = nullptr;
};

}  // namespace

TEST_F(TuningEditorTest, MakesOpenCWithClicksAndKeysSavesItAndChoosesIt) {
  start();
  ASSERT_TRUE(key(keyForCharacter('n')));
  ASSERT_TRUE(root->isShowingTuningEditor());
  EXPECT_EQ(platform::Orientation::Portrait, root->readingOrientation());
  EXPECT_EQ("New tuning", root->tuningEditorNavigationBar()->topItem()->title());
  EXPECT_TRUE(editorView().deleteButton()->isHidden()) << "nothing to delete yet";
  std::vector<std::string> heard;
  editor().setPlayer([&](const TargetNote& note) { heard.push_back(note.pitchName()); });

  // The name has the focus; 'n' opened the editor and typed nothing.
  type("Open C");
  for (int i = 0; i < 4; ++i) click(editorView().row(0).down);  // E2 -> C2
  key(Key::Tab);
  key(Key::Tab);
  key(Key::Down);
  key(Key::Down);  // A2 -> G2
  key(keyForCharacter('p'), KeyModifierControl);
  key(Key::Tab);  // D3: typed over
  key(Key::Backspace);
  key(Key::Backspace);
  type("c3");
  key(Key::Tab);
  EXPECT_EQ("C3", editorView().row(2).note->text());
  click(editorView().row(4).up);  // B3 -> C4
  key(keyForCharacter('n'), KeyModifierControl);
  key(Key::Backspace, KeyModifierControl);  // the string just added goes again
  click(editorView().row(1).play);
  EXPECT_EQ((std::vector<std::string>{"G2", "G2"}), heard);
  key(Key::Return);

  EXPECT_EQ("Open C = C2 G2 C3 G3 C4 E4\n", read());
  EXPECT_EQ((std::vector<std::string>{"tunings"}), configFiles()) << "no temporary file left";
  ASSERT_TRUE(root->isShowingFlipside());
  const auto openC = Tuning::tuningForId("user:Open C");
  ASSERT_TRUE(openC);
  EXPECT_EQ("user:Open C", storedTuning());
  EXPECT_EQ(openC, tuner->tuner()->targetTuning());
  EXPECT_EQ(nullptr, platform::TextField::focusedField());
  EXPECT_EQ("Open C", settings->tableView()
                          ->cellForRowAtIndexPath(*settings->indexPathForTuning(
                              static_cast<int>(Tuning::definedTunings().size()) - 1))
                          ->text());

  // The tuner screen shows its strings on the way back.
  key(Key::Return);
  ASSERT_FALSE(root->isShowingFlipside());
  std::vector<std::string> buttons;
  for (const auto& b : tuner->tunerView()->noteButtons()) {
    buttons.push_back(b->targetNote()->pitchName());
  }
  EXPECT_EQ((std::vector<std::string>{"C2", "G2", "C3", "G3", "C4", "E4"}), buttons);
}

TEST_F(TuningEditorTest, RefusalsShowOnTheScreenAndWriteNothing) {
  const std::string file = "# mine\r\nMine = D2 A2";
  start(file);
  key(keyForCharacter('n'));
  const auto refused = [&](const std::string& reason) {
    key(keyForCharacter('s'), KeyModifierControl);
    EXPECT_TRUE(root->isShowingTuningEditor());
    EXPECT_EQ(0u, message().find(reason)) << message();
    EXPECT_EQ(file, read());
    EXPECT_EQ((std::vector<std::string>{"tunings"}), configFiles());
  };
  refused("Give the tuning a name.");
  type("mine");
  refused("You already have a tuning called \u201CMine\u201D.");
  for (int i = 0; i < 4; ++i) key(Key::Backspace);
  type("Open G");
  refused("\u201COpen G\u201D is the name of a built-in tuning");
  for (int i = 0; i < 6; ++i) key(Key::Backspace);
  type("Mine too");
  key(Key::Tab, KeyModifierShift);  // to the last string, E4
  key(Key::Backspace);
  type("2");
  refused("Strings 1 and 6 are the same note (E2)");
  while (!editor().draft().strings().empty()) key(Key::Delete, KeyModifierControl);
  refused("A tuning needs at least one string.");

  // Escape cancels, with nothing written, and the app keeps running.
  key(Key::Escape);
  EXPECT_FALSE(application.isTerminating());
  EXPECT_TRUE(root->isShowingFlipside());
  EXPECT_EQ(file, read());
}

TEST_F(TuningEditorTest, ReadsTheFileAgainBeforeChangingItAndDeletesAfterAsking) {
  start("# mine\nOpen C = C2 G2 C3\nOther = E2 B2\n");
  settings->chooseListedTuning(static_cast<int>(settings->listedTunings().size()) - 2);
  ASSERT_EQ("user:Open C", storedTuning());
  ASSERT_TRUE(key(keyForCharacter('e')));
  EXPECT_EQ("Edit tuning", root->tuningEditorNavigationBar()->topItem()->title());
  EXPECT_EQ("Open C", editorView().nameField()->text());

  // Changed by hand meanwhile: a comment, the tuning moved, one more.
  write("# mine\n# moved by hand\nHand = A2\nOpen C = C2 G2 C3  # here\nOther = E2 B2\n");
  type("6");
  click(editorView().row(2).up);
  click(root->tuningEditorNavigationBar()->rightButton());  // Save
  EXPECT_EQ("# mine\n# moved by hand\nHand = A2\nOpen C6 = C2 G2 C#3  # here\nOther = E2 B2\n",
            read());
  EXPECT_EQ("user:Open C6", storedTuning());
  EXPECT_TRUE(Tuning::tuningForId("user:Hand")) << "the hand's change is listed too";
  EXPECT_FALSE(Tuning::tuningForId("user:Open C"));

  // Gone by hand: refused, nothing guessed, nothing written.
  key(keyForCharacter('e'));
  const std::string handEdited = "# mine\nOther = E2 B2\n";
  write(handEdited);
  click(editorView().row(0).up);
  key(Key::Return);
  EXPECT_TRUE(root->isShowingTuningEditor());
  EXPECT_EQ(0u, message().find("\u201COpen C6\u201D is no longer in the tunings file"))
      << message();
  EXPECT_EQ(handEdited, read());
  key(Key::Escape);

  // Deleting asks first; N keeps, Y deletes the line. The chosen tuning goes
  // with it, so the first tuning is chosen.
  settings->chooseListedTuning(static_cast<int>(settings->listedTunings().size()) - 1);
  ASSERT_EQ("user:Other", storedTuning());
  key(keyForCharacter('e'));
  key(keyForCharacter('d'), KeyModifierControl);
  EXPECT_TRUE(editorView().isConfirming());
  key(keyForCharacter('n'));
  EXPECT_FALSE(editorView().isConfirming());
  EXPECT_EQ(handEdited, read());
  click(editorView().deleteButton());
  key(keyForCharacter('y'));
  EXPECT_EQ("# mine\n", read());
  EXPECT_TRUE(root->isShowingFlipside());
  EXPECT_FALSE(Tuning::tuningForId("user:Other"));
  EXPECT_EQ("guitar", storedTuning());
  EXPECT_EQ(Tuning::definedTunings().front(), tuner->tuner()->targetTuning());
}
