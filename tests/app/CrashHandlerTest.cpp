#include "ProgramUnderTest.h"
#include "ScopedEnv.h"
#include "SoundProject.h"
#include "ToneWav.h"
#include "app/CCrashHandler.h"
#include "app/CCrashReport.h"
#include "app/CSystemDeviceCatalog.h"
#include "app/LoomtoneApp.h"
#include "gui/CImage.h"
#include "gui/COffscreenGuiHost.h"
#include "gui/MessageBoxes.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A project of nine tracks, the first two with a clip each, crashed on by the program in a
// process of its own; then the next start, in this process, in the same folders.
class CrashHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ProgramBuilt())
            GTEST_SKIP() << "loomtone is not built";
        SetStringFile(std::string(LOOMTONE_SOURCE_DIR) + "/data/loomstrings.ini");
        dir = FreshTestFolder();
        user = dir + "data/Veranth/Loomtone/";
        WriteToneWav(dir + "a.wav", 44100, 8000);
        WriteToneWav(dir + "b.wav", 22050, 8000, 660.0);
        song = dir + "song.lt4";
        WriteProjectOfSounds(song, {dir + "a.wav", dir + "b.wav"});
    }

    // The exit status the shell reports: 128 + the signal that ended it.
    int Crash(const std::string& kind) {
        const std::string env = LeakCheckEnv(dir) + "XDG_CONFIG_HOME='" + dir + "config' " +
                                "XDG_DATA_HOME='" + dir + "data' ";
        // "; exit $?" keeps the shell between, which reports the signal as 128 + its number.
        return RunShell(env + kProgram + " --crash-test " + kind + " '" + song + "' > '" + dir +
                        "out.txt' 2>&1; exit $?");
    }

    std::string Log() const { return FileContents(user + CCrashHandler::kLogFileName); }

    void ExpectCrashFiles(const std::string& signalName, const std::string& function) {
        const std::string log = Log();
        EXPECT_NE(log.find(signalName), std::string::npos) << log;
        EXPECT_NE(log.find("Stack Trace:"), std::string::npos);
        EXPECT_NE(log.find(function), std::string::npos) << log;
        // The copy of the log holds the report too.
        EXPECT_NE(FileContents(user + CCrashHandler::kCrashLogName).find(function),
                  std::string::npos);
        // The picture of the window as it was, menu bar and all.
        CImage picture;
        ASSERT_TRUE(picture.Open(user + CCrashHandler::kScreenshotName));
        EXPECT_EQ(picture.Width(), StartupOptions().width);
        EXPECT_EQ(picture.Height(), StartupOptions().height);
        EXPECT_NE(picture.PixelAt(picture.Width() - 2, 2) & 0xFFFFFF, 0u);
        EXPECT_TRUE(fs::exists(user + CCrashHandler::kRecoveryName));
        EXPECT_TRUE(fs::exists(user + CCrashHandler::kRecoveryCopyName));
        EXPECT_NE(log.find(MyLoadString("CRASH_SavedProject")), std::string::npos);
    }

    // Starts the program as a user would after the crash, accepting the recovery.
    void ExpectRecoveredAtNextStart() {
        ScopedEnv config("XDG_CONFIG_HOME", (dir + "config").c_str());
        ScopedEnv data("XDG_DATA_HOME", (dir + "data").c_str());
        std::vector<std::string> asked;
        SetMessageBoxHook([&asked](const MessageBoxRequest& request, bool&) {
            asked.push_back(request.text);
            return IDYES;
        });
        CSystemDeviceCatalog devices;
        COffscreenGuiHost host;
        {
            LoomtoneApp app(devices);
            StartupOptions options;
            options.programFolder = std::string(LOOMTONE_SOURCE_DIR) + "/data/";
            ASSERT_TRUE(app.Startup(host, options)) << app.Error();
            app.RunAfterCreationSequence();
            CProject& project = *app.Project();
            EXPECT_NE(std::find(asked.begin(), asked.end(), MyLoadString("CRASH_RecoverProject")),
                      asked.end());
            EXPECT_EQ(project.GetProjectFilePath(), "");
            ASSERT_EQ(project.GetNumTracks(), 9);
            EXPECT_EQ(project.GetTrack(0)->Clips().size(), 1u);
            EXPECT_EQ(project.GetTrack(1)->Clips().size(), 1u);
            app.Shutdown();
        }
        SetMessageBoxHook(nullptr);
        EXPECT_FALSE(fs::exists(user + CCrashHandler::kRecoveryName));
    }

    std::string dir;
    std::string user;
    std::string song;
};

} // namespace

TEST_F(CrashHandlerTest, AFaultLeavesTheReportThePictureAndAProjectTheNextStartOpens) {
    EXPECT_EQ(Crash("fault"), 128 + SIGSEGV) << FileContents(dir + "out.txt");
    ExpectCrashFiles("SIGSEGV", "RaiseTestFault");
    // Where it happened: the instruction's bytes and the registers.
    EXPECT_NE(Log().find("Instruction at 0x"), std::string::npos);
    EXPECT_NE(Log().find("RIP:"), std::string::npos);
    ExpectRecoveredAtNextStart();
}

TEST_F(CrashHandlerTest, AnExceptionNobodyCaughtDoesTheSame) {
    EXPECT_EQ(Crash("throw"), 128 + SIGABRT) << FileContents(dir + "out.txt");
    ExpectCrashFiles("the crash test's exception", "ThrowTestException");
    ExpectRecoveredAtNextStart();
}

TEST(CrashReportTest, NamesTheSignalsItHandles) {
    EXPECT_EQ(CCrashReport::SignalName(SIGSEGV), "SIGSEGV (Segmentation fault)");
    EXPECT_EQ(CCrashReport::SignalName(SIGBUS), "SIGBUS (Bus error)");
    EXPECT_EQ(CCrashReport::SignalName(SIGFPE), "SIGFPE (Arithmetic exception)");
    EXPECT_EQ(CCrashReport::SignalName(SIGILL), "SIGILL (Illegal instruction)");
    EXPECT_EQ(CCrashReport::SignalName(SIGABRT), "SIGABRT (Aborted)");
    EXPECT_EQ(CCrashReport::SignalName(SIGUSR1), "Signal " + std::to_string(SIGUSR1));
}

TEST(CrashReportTest, ATraceThatDoesNotFitEndsSaying) {
    CCrashReport report;
    // Fills the buffer nearly full with exception text, then adds a trace.
    report.AddException(std::string(CCrashReport::kCapacity - 200, 'x'));
    report.AddStackTrace(nullptr, nullptr);
    const std::string text = report.Text();
    EXPECT_LT(text.size(), CCrashReport::kCapacity);
    EXPECT_NE(text.find("No more room for trace"), std::string::npos);
}

TEST(CrashReportTest, AReadableTraceNamesItsCaller) {
    CCrashReport report;
    report.AddStackTrace(nullptr, nullptr);
    const std::string text = report.Text();
    EXPECT_NE(text.find("AddStackTrace"), std::string::npos) << text;
    EXPECT_FALSE(report.IsFull());
}

TEST(CrashWebsiteTest, IsAskedAboutOnlyWithAnAddress) {
    const std::string folder = std::string(LOOMTONE_TEST_TMP) + "/crash-website/";
    fs::create_directories(folder);
    const std::string strings = folder + "strings.ini";
    const std::string original = GetStringFile();
    std::ofstream(strings) << "[Strings]\nCRASH_Website = https://crash.example/page\n";
    SetStringFile(strings);
    const std::string address = CCrashHandler::WebsiteAddress(
        42, SIGSEGV, reinterpret_cast<const void*>(&CCrashHandler::RaiseTestFault));
    EXPECT_EQ(address.rfind("https://crash.example/page?build=42&errcode=0x0000000B", 0), 0u)
        << address;
    EXPECT_NE(address.find("&errmodule="), std::string::npos);
    std::ofstream(strings) << "[Strings]\nCRASH_Website = \n";
    SetStringFile(strings);
    EXPECT_EQ(CCrashHandler::WebsiteAddress(42, SIGSEGV, nullptr), "");
    SetStringFile(original);
}
