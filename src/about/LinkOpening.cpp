#include "about/LinkOpening.h"

#include <optional>

#include "resources/StringTable.h"

namespace tsrn::about {
namespace {

constexpr int kProductNameId = res::str::kAppTitle;
constexpr std::size_t kMaxRegistryText = 260;

std::optional<std::string> DefaultValue(registry::RegistryDatabase& registry,
                                        std::string_view key) {
    const auto value = registry.QueryValue(registry::Hive::ClassesRoot, key, "");
    if (!value || value->type != registry::kRegSz || value->data.size() > kMaxRegistryText)
        return {};
    std::string text(value->data.begin(), value->data.end());
    if (const auto nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
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
    if (line.size() > kMaxCommandLength)
        return {};
    return line;
}

int OpenLink(std::string_view target, LinkLauncher& launcher,
             registry::RegistryDatabase& registry) {
    const int first = launcher.OpenWithDesktop(target);
    if (first > 32)
        return first;
    const auto type = DefaultValue(registry, ".htm");
    if (!type || type->empty())
        return first;
    const auto command = DefaultValue(registry, *type + "\\shell\\open\\command");
    if (!command || command->empty())
        return first;
    const std::string line = FallbackCommand(*command, target);
    if (line.empty())
        return first;
    return launcher.RunCommand(line);
}

void ShowLinkError(Prompter& prompter, int code) {
    Message message;
    message.text = text::LinkErrorText(code);
    message.captionId = kProductNameId;
    message.buttons = Buttons::Ok;
    message.icon = Icon::Exclamation;
    prompter.Ask(message);
}

}  // namespace tsrn::about
