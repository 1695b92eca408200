#include "platform/user/input_script.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

#include "platform/user/key_translation.h"

namespace platform::video {
namespace {

bool ParseLine(const std::string& line, ScriptAction& action) {
    std::istringstream words(line);
    std::string time, what;
    if (!(words >> time >> what))
        return false;
    unsigned long at_ms = 0;
    const auto [end, error] = std::from_chars(time.data(), time.data() + time.size(), at_ms);
    if (error != std::errc() || end != time.data() + time.size() || at_ms > 0xFFFFFFFFul)
        return false;
    action.at_ms = static_cast<DWORD>(at_ms);
    std::string upper = what;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "SHOT") {
        std::string file;
        std::getline(words >> std::ws, file);
        while (!file.empty() && std::isspace(static_cast<unsigned char>(file.back())))
            file.pop_back();
        if (file.empty())
            return false;
        action.kind = ScriptAction::Kind::Shot;
        action.file = file;
        return true;
    }
    std::string rest;
    if (words >> rest)
        return false;
    if (upper == "CLOSE") {
        action.kind = ScriptAction::Kind::Close;
        return true;
    }
    for (;;) {
        if (upper.starts_with("ALT+"))
            action.alt = true;
        else if (upper.starts_with("SHIFT+"))
            action.shift = true;
        else if (upper.starts_with("CTRL+"))
            action.ctrl = true;
        else
            break;
        upper = upper.substr(upper.find('+') + 1);
    }
    action.kind = ScriptAction::Kind::Key;
    action.virtual_key = VirtualKeyFromName(upper);
    return action.virtual_key != 0;
}

}  // namespace

std::vector<ScriptAction> ParseInputScript(std::string_view text, std::vector<std::string>* errors,
                                           int first_line) {
    std::vector<ScriptAction> actions;
    std::istringstream lines{std::string(text)};
    std::string line;
    for (int number = first_line; std::getline(lines, line); ++number) {
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        ScriptAction action;
        if (ParseLine(line, action))
            actions.push_back(action);
        else if (errors)
            errors->push_back("line " + std::to_string(number) + ": " + line);
    }
    std::stable_sort(
        actions.begin(), actions.end(),
        [](const ScriptAction& a, const ScriptAction& b) { return a.at_ms < b.at_ms; });
    return actions;
}

}  // namespace platform::video
