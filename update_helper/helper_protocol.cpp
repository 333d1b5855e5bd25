#include "update_helper/helper_protocol.h"

namespace melkrin::updhelper {

std::string helperCommandLine(const std::string& helperPath, const std::string& programPath,
                              const std::string& argument) {
    // The helper's own path is quoted: a temporary folder below a user name
    // with a blank would otherwise let the system try "C:\Users\Joe.exe" first.
    return "\"" + helperPath + "\" " + programPath + " +" + argument;
}

HelperCommand parseCommand(const std::string& text) {
    HelperCommand command;
    command.external = !text.empty() && text.back() == kExternalSetupDigit;
    command.repair = !text.empty() && text.back() == kRepairDigit;
    // Melkrin appends " +" and the argument after the program path, which may
    // hold a "+" of its own: the last " +" is the one that separates them.
    const auto plus = text.rfind(" +");
    if (plus != std::string::npos) {
        command.programPath = text.substr(0, plus);
        command.restartArgument = text.substr(plus + 2);
        if (!command.restartArgument.empty()) command.restartArgument.pop_back();
    } else if (!text.empty() && text.front() == '+') {
        command.restartArgument = text.substr(1, text.size() > 1 ? text.size() - 2 : 0);
    } else {
        command.programPath = text;
    }
    const auto slash = command.programPath.rfind('\\');
    command.folder = slash == std::string::npos ? std::string() : command.programPath.substr(0, slash + 1);
    return command;
}

}  // namespace melkrin::updhelper
