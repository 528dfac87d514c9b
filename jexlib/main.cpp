// jexlib: the command line.  The arguments arrive as UTF-8 (on Windows from
// the wide command line, so that any name gets through whatever the
// system's code page).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "jexlib/cli.h"
#include "jexlib/console.h"
#include "jexlib/files.h"
#include "jexlib/unicode.h"

namespace {

int run(const std::vector<std::string>& args, const std::filesystem::path& programFolder) {
    bool terminal = jexlib::ConsoleReporter::errorIsTerminal();
    jexlib::Invocation invocation;
    try {
        invocation = jexlib::parseCommandLine(args, programFolder, terminal);
    } catch (const jexlib::UsageError& e) {
        jexlib::ConsoleReporter console(invocation.gbkOutput, false);
        console.note(e.what());
        return jexlib::kUsage;
    }
    jexlib::ConsoleReporter console(invocation.gbkOutput, invocation.progress);
    int code = jexlib::runInvocation(invocation, console);
    std::fflush(stdout);
    return code;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(jexlib::wideToUtf8(argv[i]));
    std::filesystem::path program = _wpgmptr && *_wpgmptr ? std::filesystem::path(_wpgmptr)
                                                          : std::filesystem::path(argc > 0 ? argv[0] : L"");
    return run(args, program.parent_path());
}
#else
int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::error_code ec;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) program = argc > 0 ? argv[0] : "";
    return run(args, program.parent_path());
}
#endif
