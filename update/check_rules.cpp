#include "update/check_rules.h"

#include <cmath>
#include <cstdio>

namespace update {

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::string quotedPath(const std::string& path) {
    return path.find_first_of(" \t") == std::string::npos ? path : "\"" + path + "\"";
}

std::string urlField(const std::string& url) {
    std::string out;
    for (char c : url) {
        if (isBlank(c))
            out += c == ' ' ? "%20" : "%09";
        else
            out += c;
    }
    return out;
}

std::string updaterCommandLine(const std::string& updaterPath, const std::string& programFile,
                               const std::string& version, const std::string& infoUrl) {
    return quotedPath(updaterPath) + " " + programFile + " " + version + " " + urlField(infoUrl);
}

std::string_view argumentsAfterProgram(std::string_view commandLine) {
    std::size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        std::size_t close = commandLine.find('"', 1);
        i = close == std::string_view::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && !isBlank(commandLine[i])) ++i;
    }
    while (i < commandLine.size() && isBlank(commandLine[i])) ++i;
    return commandLine.substr(i);
}

std::optional<UpdaterArguments> splitUpdaterArguments(std::string_view arguments) {
    std::string fields[3];
    std::size_t i = 0;
    for (std::string& field : fields) {
        while (i < arguments.size() && isBlank(arguments[i])) ++i;
        std::size_t start = i;
        while (i < arguments.size() && !isBlank(arguments[i])) ++i;
        if (i == start) return std::nullopt;
        field = std::string(arguments.substr(start, i - start));
    }
    return UpdaterArguments{fields[0], fields[1], fields[2]};
}

std::string versionText(std::uint32_t versionMs, std::uint32_t versionLs) {
    char text[48];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", int(versionMs >> 16), int(versionMs & 0xFFFF),
                  int(versionLs >> 16), int(versionLs & 0xFFFF));
    return text;
}

CheckDecision decideAutomaticCheck(int checkDay, std::optional<double> lastCheck, double now) {
    if (checkDay <= 0) return {};
    // A last check after the present (a clock put back) would hold the
    // checks off until that day comes: it counts as never checked.
    if (!lastCheck || *lastCheck > now) return {true, true};
    double days = std::trunc(now - *lastCheck);
    if (days >= checkDay) return {true, true};
    return {};
}

}  // namespace update
