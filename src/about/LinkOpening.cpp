#include "about/LinkOpening.h"

#include <optional>

namespace tsrn::about {
namespace {

constexpr int kProductNameId = 57344;  // "Tessaryn"
constexpr std::size_t kMaxRegistryText = 260;

std::optional<std::string> DefaultValue(RegistryDatabase& registry, std::string_view key) {
    const auto value = registry.QueryValue(Hive::ClassesRoot, key, "");
    if (!value || value->type != kRegSz || value->data.size() > kMaxRegistryText) return {};
    std::string text(value->data.begin(), value->data.end());
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

std::string_view ErrorDetail(int code) {
    switch (code) {
        case 0: return "The operating system is out\nof memory or resources.";
        case 2: return "The specified file was not found.";
        case 3: return "The specified path was not found.";
        case 5: return "The operating system denied\naccess to the specified file.";
        case 8: return "There was not enough memory to complete the operation.";
        case 11: return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
        case 26: return "A sharing violation occurred. ";
        case 27: return "The filename association is\nincomplete or invalid.";
        case 28:
            return "The DDE transaction could not\nbe completed because the request timed out.";
        case 29: return "The DDE transaction failed.";
        case 30:
            return "The DDE transaction could not\nbe completed because other DDE "
                   "transactions\nwere being processed.";
        case 31: return "There is no application associated\nwith the given filename extension.";
        case 32: return "The specified dynamic-link library was not found.";
        default: return {};
    }
}

}  // namespace

std::string FallbackCommand(std::string_view openCommand, std::string_view target) {
    std::string_view command = openCommand;
    if (const auto quoted = command.find("\"%1\""); quoted != std::string_view::npos) {
        command = command.substr(0, quoted);
    } else if (const auto bare = command.find("%1"); bare != std::string_view::npos) {
        command = command.substr(0, bare);
    }
    std::string line(command);
    line += ' ';
    line += target;
    if (line.size() > kMaxCommandLength) return {};
    return line;
}

int OpenLink(std::string_view target, LinkLauncher& launcher, RegistryDatabase& registry) {
    const int first = launcher.OpenWithDesktop(target);
    if (first > 32) return first;
    const auto type = DefaultValue(registry, ".htm");
    if (!type || type->empty()) return first;
    const auto command = DefaultValue(registry, *type + "\\shell\\open\\command");
    if (!command || command->empty()) return first;
    const std::string line = FallbackCommand(*command, target);
    if (line.empty()) return first;
    return launcher.RunCommand(line);
}

std::string LinkErrorText(int code) {
    std::string text = "Unable to open hyperlink:\n\n";
    const std::string_view detail = ErrorDetail(code);
    if (detail.empty()) {
        text += "Unknown Error (" + std::to_string(code) + ") occurred.";
    } else {
        text += detail;
    }
    return text;
}

void ShowLinkError(Prompter& prompter, int code) {
    Message message;
    message.text = LinkErrorText(code);
    message.captionId = kProductNameId;
    message.buttons = Buttons::Ok;
    message.icon = Icon::Exclamation;
    prompter.Ask(message);
}

}  // namespace tsrn::about
