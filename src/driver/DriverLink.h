#pragma once
// The program's one link to the driver and its nine requests.
//
// Every request carries up to two 32-bit scalars (the "in-size" and the
// "out-size" of the original device call), an optional text (a path or the
// password) and an answer word. The answer word holds the outgoing scalar when
// the request is made and the driver overwrites it with its answer; a driver
// that leaves it untouched is heard as answering that scalar.
//
// The wrappers below hold the conversion rules shared by every implementation:
// a failed call is -1 for the word-returning requests and false for the three
// BOOL requests (InitializeDriver, SetGlobalProtection, SetPassword). Nothing
// is sent while the link is not open; such a request counts as a failed call.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tsrn::driver {

enum class RequestCode : std::uint32_t {
    QueryOpenFiles = 0x2,
    InitializeDriver = 0x4,
    SetFolderPath = 0x6,
    SetFolderShortPath = 0x7,
    ClearFolderPath = 0x9,
    ClearFolderShortPath = 0xA,
    SetFolderState = 0xB,
    SetGlobalProtection = 0xC,
    SetPassword = 0xE,
};

// One request as it travels. `text` is empty-optional when the request
// carries no text (a NULL pointer) and an empty string for an empty text.
struct Request {
    RequestCode code{};
    std::optional<std::string> text;
    std::uint32_t inSize = 0;
    std::uint32_t outSize = 0;
    std::uint32_t answer = 0;  // the answer word as it is at the call

    friend bool operator==(const Request&, const Request&) = default;
};

class DriverLink {
  public:
    virtual ~DriverLink() = default;

    // Opening loads the driver; closing lets it unload. No reopening, but a
    // lost driver can be started again (Restart).
    [[nodiscard]] virtual bool Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Whether the driver stopped after it was opened (it exited, was killed,
    // or its channel broke), looking at the channel now; the link is then
    // closed. A link closed on purpose is not lost.
    [[nodiscard]] virtual bool CheckLost() { return false; }
    // Why it was lost, in a few words ("killed by signal 9", ...).
    virtual std::string LossReason() const { return {}; }
    // After a loss: starts the driver again. The new driver knows no folder
    // and no password.
    [[nodiscard]] virtual bool Restart() { return false; }

    [[nodiscard]] std::int32_t QueryOpenFiles(std::uint32_t slot);
    [[nodiscard]] bool InitializeDriver();
    [[nodiscard]] std::int32_t SetFolderPath(std::string_view path, std::uint32_t slot,
                                             std::uint32_t state);
    [[nodiscard]] std::int32_t SetFolderShortPath(std::string_view path, std::uint32_t slot,
                                                  std::uint32_t state);
    [[nodiscard]] std::int32_t ClearFolderPath(std::uint32_t slot);
    [[nodiscard]] std::int32_t ClearFolderShortPath(std::uint32_t slot);
    [[nodiscard]] std::int32_t SetFolderState(std::uint32_t slot, std::uint32_t state);
    [[nodiscard]] bool SetGlobalProtection(std::uint32_t word);
    [[nodiscard]] bool SetPassword(std::string_view password);

  protected:
    // Sends one request and waits for its reply. Returns false when the call
    // itself failed (no driver, broken channel); otherwise true with `answer`
    // as the driver left it. Must never block for ever.
    [[nodiscard]] virtual bool Transact(const Request& request, std::uint32_t& answer) = 0;

  private:
    [[nodiscard]] std::int32_t WordRequest(const Request& request);
    [[nodiscard]] bool BoolRequest(const Request& request);
};

}  // namespace tsrn::driver
