// libFuzzer target for the updater's command line: the fields after its
// own path, as jexUpdate.exe splits them out of GetCommandLineA, and the
// line the main program builds for it.
//
// The whole input is first taken as a command line: the split must find
// three non-empty fields without blanks, each a piece of the line in its
// order, or nothing.  Then the input, cut at zero bytes, gives the
// updater's path, the program's file name, the version and the address:
// the line the main program builds from them must split into exactly the
// name, the version and the address with its blanks encoded, whatever
// folder the updater lies in (a Windows path holds no double quote) and
// whatever blanks the address has.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "update/check_rules.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "updater_args_fuzz: broken invariant: %s\n", what);
        std::abort();
    }
}

bool hasBlank(std::string_view s) { return s.find_first_of(" \t") != std::string_view::npos; }

void checkSplit(std::string_view line) {
    std::string_view arguments = update::argumentsAfterProgram(line);
    check(arguments.data() >= line.data() && arguments.data() + arguments.size() == line.data() + line.size(),
          "the arguments are not the end of the line");
    check(arguments.empty() || (arguments[0] != ' ' && arguments[0] != '\t'), "the arguments start with a blank");
    std::optional<update::UpdaterArguments> args = update::splitUpdaterArguments(arguments);
    if (!args) return;
    std::size_t from = 0;
    for (const std::string* field : {&args->programFile, &args->version, &args->infoUrl}) {
        check(!field->empty() && !hasBlank(*field), "a field empty or with a blank");
        std::size_t at = arguments.find(*field, from);
        check(at != std::string_view::npos, "a field that is not in the line");
        from = at + field->size();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    checkSplit(input);

    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        std::size_t end = input.find('\0', start);
        parts.emplace_back(input.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    if (parts.size() < 4) return 0;
    const std::string& path = parts[0];
    const std::string& program = parts[1];
    const std::string& version = parts[2];
    const std::string& url = parts[3];
    if (path.find('"') != std::string::npos) return 0;
    if (program.empty() || hasBlank(program) || version.empty() || hasBlank(version) || url.empty()) return 0;

    std::string line = update::updaterCommandLine(path, program, version, url);
    checkSplit(line);
    std::optional<update::UpdaterArguments> args = update::splitUpdaterArguments(update::argumentsAfterProgram(line));
    check(args.has_value(), "the main program's line does not split");
    check(args->programFile == program, "the program's file name changed");
    check(args->version == version, "the version changed");
    check(args->infoUrl == update::urlField(url) && !hasBlank(args->infoUrl), "the address changed");
    return 0;
}
