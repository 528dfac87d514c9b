// jexlib.exe of the program folder, run as a user runs it, on a library
// made by the program's own code for Windows (the CryptoAPI key, the tree's
// statements, the pane's attachment inserts).
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jexlib/files.h"
#include "jexlib/unicode.h"
#include "store/db_connection.h"
#include "tests/jexlib/sample_library.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

struct Outcome {
    DWORD exitCode = 0;
    std::string output;  // standard output and error, as written (GBK on Windows)
};

// Runs jexlib.exe with `args` (UTF-8), waiting at most two minutes.
Outcome jexlib(const std::vector<std::string>& args, const fs::path& folder) {
    std::wstring line = L"\"" + fs::path(JEX_JEXLIB_EXE).wstring() + L"\"";
    for (const std::string& a : args) line += L" \"" + jexlib::utf8ToWide(a) + L"\"";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> command(line.begin(), line.end());
    command.push_back(0);
    Outcome run;
    BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                  folder.wstring().c_str(), &si, &pi);
    CloseHandle(writeEnd);
    EXPECT_TRUE(started) << "cannot start " << JEX_JEXLIB_EXE;
    if (started) {
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n) run.output.append(buffer, n);
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 120000), WAIT_OBJECT_0);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(readEnd);
    return run;
}

TEST(JexlibExe, ExportsChecksSearchesBacksUpAndBringsBackALibraryTheProgramMade) {
    sample::TempDir dir;
    fs::path library = dir / "srcdata.db";
    sample::Sample s = sample::makeSample(library);
    const fs::path& here = dir.path();

    Outcome check = jexlib({"check", "srcdata.db"}, here);
    EXPECT_EQ(check.exitCode, 0u) << check.output;
    EXPECT_THAT(check.output, HasSubstr("no problems found"));

    Outcome exported = jexlib({"export", "srcdata.db", u8"导出"}, here);
    ASSERT_EQ(exported.exitCode, 0u) << exported.output;
    auto files = sample::treeFiles(dir / u8"导出");
    EXPECT_EQ(files[u8"默认/中文标题.py"], "# 中文注释\nprint('你好，世界')\n");
    EXPECT_EQ(files[u8"默认/main.cpp.files/big.bin"], std::string(s.big.begin(), s.big.end()));
    EXPECT_EQ(files[u8"默认/_CON"], "device\n") << "a device name is never opened as the device";
    EXPECT_EQ(files[u8"默认/DUP (3).TXT"], "third\n") << "a case-blind file system gets three files";

    // A Chinese word through the wide command line; the console output is GBK.
    Outcome search = jexlib({"search", "srcdata.db", u8"你好"}, here);
    EXPECT_EQ(search.exitCode, 0u) << search.output;
    EXPECT_THAT(search.output, HasSubstr("默认/中文标题.py:2:print('你好，世界')"));
    EXPECT_EQ(jexlib({"search", "srcdata.db", "no such words"}, here).exitCode, 1u);

    Outcome imported = jexlib({"import", u8"导出", "restored.db"}, here);
    ASSERT_EQ(imported.exitCode, 0u) << imported.output;
    ASSERT_EQ(jexlib({"export", "restored.db", "again"}, here).exitCode, 0u);
    EXPECT_TRUE(sample::treeFiles(dir / "again") == files) << "the round trip gives the same files";

    Outcome backup = jexlib({"backup", "srcdata.db", "copies", "--keep", "1"}, here);
    EXPECT_EQ(backup.exitCode, 0u) << backup.output;
    ASSERT_FALSE(fs::is_empty(dir / "copies"));
    fs::path copy = fs::directory_iterator(dir / "copies")->path();
    EXPECT_TRUE(sample::rows(copy, "SELECT * FROM attach_tbl;") == sample::rows(library, "SELECT * FROM attach_tbl;"));

    Outcome usage = jexlib({"frob"}, here);
    EXPECT_EQ(usage.exitCode, 2u);
    EXPECT_THAT(usage.output, HasSubstr("unknown command"));
    EXPECT_EQ(jexlib({"check", "missing.db"}, here).exitCode, 3u);
}

}  // namespace
