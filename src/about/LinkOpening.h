#pragma once
// How a link label opens its target: through the desktop first, then through
// the open command registered for ".htm" files in the registry's classes view.
// Results follow the shell's convention: greater than 32 is success, anything
// else an error code whose text ShowLinkError knows.

#include <string>
#include <string_view>

#include "platform/Prompter.h"
#include "registry/RegistryDatabase.h"

namespace tsrn::about {

inline constexpr int kOpenSucceeded = 33;
inline constexpr int kErrorFileNotFound = 2;
inline constexpr int kErrorNoAssociation = 31;
// The fallback command line has room for this many bytes.
inline constexpr std::size_t kMaxCommandLength = 520;

class LinkLauncher {
  public:
    virtual ~LinkLauncher() = default;
    // Opens the target with the desktop's handler; a shell-style result.
    virtual int OpenWithDesktop(std::string_view target) = 0;
    // Starts a command line; a shell-style result.
    virtual int RunCommand(std::string_view commandLine) = 0;
};

// The open command cut before its first "%1" in quotation marks (else its
// first %1), then a blank and the target. Nothing when the result would not
// fit the command buffer.
std::string FallbackCommand(std::string_view openCommand, std::string_view target);

int OpenLink(std::string_view target, LinkLauncher& launcher, registry::RegistryDatabase& registry);

// "Unable to open hyperlink:" and the text for `code`, in a box.
void ShowLinkError(Prompter& prompter, int code);

}  // namespace tsrn::about
