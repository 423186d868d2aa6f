// A small game for script tests: scripts written as loose files of a temporary data
// folder, flag names from a [Define.Flag] text, a save folder, a trace that keeps its
// lines as UTF-8, and a host, message sink and chooser that record what they see.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "resource/archive.h"
#include "resource/config.h"
#include "resource/preferences.h"
#include "resource/save_folder.h"
#include "resource/temp_dir.h"
#include "resource/trace.h"
#include "script/script_runner.h"

namespace velmira::test {

// "\n" line ends become the CR LF of real script files.
inline std::string crlf(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

class TestClock final : public platform::Clock {
  public:
    uint32_t now() override { return now_; }
    void sleep(uint32_t ms) override { now_ += ms; }

  private:
    uint32_t now_ = 0;
};

class TestHost final : public ScriptHost {
  public:
    bool pumpMessages() override {
        ++pumps;
        if (quitAfterPumps > 0 && pumps >= quitAfterPumps) quit = true;
        return !quit;
    }
    bool pumpAndPollInput(InputContext, IdleSleep) override {
        ++polls;
        clock_.sleep(1);
        if (closeRequested && quitOnClose) quit = true;
        return !quit;
    }
    void idle() override {
        ++idles;
        clock_.sleep(1);
    }
    bool quitSeen() const override { return quit; }
    void requestClose() override { closeRequested = true; }
    void refreshTitle() override { ++titleRefreshes; }
    platform::Clock& clock() override { return clock_; }

    bool quit = false;
    int quitAfterPumps = 0;  // > 0: the pump of that number sees the quit message
    bool quitOnClose = true; // the quit question is answered yes
    bool closeRequested = false;
    int pumps = 0;
    int polls = 0;
    int idles = 0;
    int titleRefreshes = 0;

  private:
    TestClock clock_;
};

// Records messages, page breaks and mode changes as one ordered log.
class RecordingSink final : public MessageSink {
  public:
    void showMessage(std::string_view text, bool) override { log.push_back(std::string(text)); }
    void clearPage() override { ++pageClears; }
    void setDisplayMode(ScriptMode mode) override { modes.push_back(static_cast<int>(mode)); }
    bool skipping() const override { return skip; }
    void stopSkipping() override { skip = false; }

    std::vector<std::string> log;
    std::vector<int> modes;
    int pageClears = 0;
    bool skip = false;
};

class ScriptedChooser final : public Chooser {
  public:
    bool begin(std::string_view layout) override {
        layouts.push_back(std::string(layout));
        return true;
    }
    bool add(int number, std::string_view line) override {
        lines.push_back(std::to_string(number) + ":" + std::string(line));
        return true;
    }
    int run() override {
        if (answers.empty()) return 0;
        const int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }

    std::vector<int> answers;
    std::vector<std::string> layouts;
    std::vector<std::string> lines;
};

class ScriptFixture : public ::testing::Test {
  protected:
    ScriptFixture()
        : archives_(dir_.path() + "data/", archiveTrace_), saveFolder_(dir_.path() + "save/"),
          runner_(host_, archives_, trace_, saveFolder_, preferences_) {
        trace_.setSink(
            [this](std::string_view sjis) { traces_.push_back(platform::sjisToUtf8(sjis)); });
        runner_.setMessageSink(sink_);
        runner_.setChooser(chooser_);
        // Events of the log that are not messages come from this command.
        runner_.commands().bind("test", [this](const TokenList& args) {
            sink_.log.push_back("test " + std::string(args.token(0)));
            return true;
        });
        defineFlags("L000=a\nL001=b\nL002=c\nG000=g\nG001=h\n");
    }

    // Scripts are written with "\n" and stored with CR LF.
    void script(const std::string& name, std::string_view text) {
        dir_.write("data/script/" + name, crlf(text));
    }
    // key=value lines of the section [Define.Flag]; loads the flag store from them.
    void defineFlags(std::string_view lines) {
        ConfigStore config;
        config.parse(crlf("[Define.Flag]\n" + std::string(lines)));
        runner_.flags().load(config);
    }
    int32_t flag(std::string_view name) { return runner_.flags().lookup(name); }
    // A global value as "flagdata.000" holds it once the engine's next pump turn flushed
    // the flag files.
    int32_t globalFromFile(int slot) {
        runner_.flags().flush();
        std::vector<uint8_t> bytes;
        if (!saveFolder_.read(kGlobalFlagFile, bytes) || bytes.size() != kFlagFileSize) {
            ADD_FAILURE() << "flagdata.000 missing or not 4000 bytes";
            return 0;
        }
        const uint8_t* p = bytes.data() + slot * 4;
        return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24);
    }
    // Runs start.txt once, as one turn of the main loop.
    bool runOnce() { return runner_.run(); }

    TempDir dir_;
    Trace archiveTrace_; // silent: a missing script's open failure is not the script's trace
    Trace trace_;
    std::vector<std::string> traces_;
    ArchiveIndex archives_;
    SaveFolder saveFolder_;
    UserPreferences preferences_;
    TestHost host_;
    RecordingSink sink_;
    ScriptedChooser chooser_;
    ScriptRunner runner_;
};

} // namespace velmira::test
