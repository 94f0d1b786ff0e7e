#pragma once
// What a main window runs on in tests: settings in memory, the scripted prompt, scripted file
// dialogs, and a simulated unit in virtual time. The program's folder is a fresh one (no firmware
// file unless a test puts one there).

#include "base/Settings.h"
#include "base/VirtualClock.h"
#include "desktop/QtTestApp.h"
#include "desktop/common/FileChooser.h"
#include "desktop/main/MainForm.h"
#include "sim/SimulatedDriver.h"
#include "support/ScriptedPrompt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Readable QString values in test messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace zr48::test {

// File dialogs answered from a script; every request is kept. A dialog nobody scripted fails
// the running test (and is cancelled).
class ScriptedFileChooser : public FileChooser {
public:
    enum class Kind { Open, Save, Directory };
    struct Asked {
        Kind kind;
        FileDialogRequest request;
    };

    ~ScriptedFileChooser() override { EXPECT_TRUE(answers_.empty()) << answers_.size() << " dialog answers unused"; }

    using Answerer = std::function<std::optional<std::string>(const FileDialogRequest&)>;

    // The next dialog's answer; nullopt cancels it.
    ScriptedFileChooser& answer(std::optional<std::string> path)
    {
        answers_.push_back([path = std::move(path)](const FileDialogRequest&) { return path; });
        return *this;
    }
    // The next dialog answered by `answerer` (a real dialog driven by the test, say).
    ScriptedFileChooser& answerWith(Answerer answerer)
    {
        answers_.push_back(std::move(answerer));
        return *this;
    }

    std::optional<std::string> openFile(const FileDialogRequest& request) override { return next(Kind::Open, request); }
    std::optional<std::string> saveFile(const FileDialogRequest& request) override { return next(Kind::Save, request); }
    std::optional<std::string> chooseDirectory(const FileDialogRequest& request) override
    {
        return next(Kind::Directory, request);
    }

    const std::vector<Asked>& asked() const { return asked_; }

private:
    std::optional<std::string> next(Kind kind, const FileDialogRequest& request)
    {
        asked_.push_back({kind, request});
        if (answers_.empty()) {
            ADD_FAILURE() << "unexpected file dialog \"" << request.title << "\"";
            return std::nullopt;
        }
        Answerer answer = std::move(answers_.front());
        answers_.pop_front();
        return answer(request);
    }

    std::deque<Answerer> answers_;
    std::vector<Asked> asked_;
};

class ShellTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ensureQApplication(); }

    std::unique_ptr<TMainForm> makeForm(std::string linkDescription = "simulated ZR48")
    {
        return std::make_unique<TMainForm>(
            MainFormParts{store, settings, prompt, files, link, programDir.text(), std::move(linkDescription)});
    }

    MemorySettingsStore store;
    Settings settings{store, SettingsDefaults{}};
    ScriptedPrompt prompt;
    ScriptedFileChooser files;
    TempDir programDir;
    TempDir dir;
    // The link runs on a simulated unit in virtual time.
    VirtualClock clock;
    SimulatedUnit sim{clock, [this] { return clock.now() * 1000; }};
    TimerRxThreadHost threads{clock};
    LinkParts link{clock, sim.driver, threads};
};

} // namespace zr48::test
