#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Classes/CommandLine.h"

namespace {

CommandLine parse(std::vector<const char*> args) {
  args.insert(args.begin(), "quillon");
  return parseCommandLine(static_cast<int>(args.size()), args.data());
}

using Action = CommandLine::Action;

TEST(CommandLineTest, ReadsEveryOption) {
  CommandLine line = parse({});
  EXPECT_EQ(Action::run, line.action);
  EXPECT_FALSE(line.inputDevice);
  EXPECT_FALSE(line.offscreen);

  line = parse({"--input", "USB Audio Interface", "--offscreen"});
  EXPECT_EQ(Action::run, line.action);
  EXPECT_EQ("USB Audio Interface", line.inputDevice);
  EXPECT_TRUE(line.offscreen);
  // "" is the system default; the last --input counts.
  EXPECT_EQ("", parse({"--input=Webcam", "--input="}).inputDevice);
  EXPECT_EQ("--help", parse({"--input", "--help"}).inputDevice) << "a name is a name";
  EXPECT_EQ(Action::listInputs, parse({"--list-inputs"}).action);
  // --help and --version win over whatever follows.
  EXPECT_EQ(Action::help, parse({"--offscreen", "-h", "--no-such-option"}).action);
  EXPECT_EQ(Action::version, parse({"--version", "stray"}).action);
}

TEST(CommandLineTest, UnknownOptionsAndStrayArgumentsAreUsageErrors) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{"--no-such-option"}, "unknown option '--no-such-option'"},
      {{"-x"}, "unknown option '-x'"},
      {{"--input"}, "option '--input' needs a device name"},
      {{"Interface-Mic"}, "unexpected argument 'Interface-Mic'"},
      {{"--", "--help"}, "unexpected argument '--help'"},
      {{"--list-inputs", "-"}, "unexpected argument '-'"},
  };
  for (const auto& [args, error] : cases) {
    const CommandLine line = parse(args);
    EXPECT_EQ(Action::usageError, line.action) << args.front();
    EXPECT_EQ(error, line.error);
  }
}

}  // namespace
