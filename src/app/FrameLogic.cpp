#include "app/FrameLogic.h"

#include <array>

#include "app/AppIds.h"
#include "app/InstallationPassword.h"
#include "app/KeyLoading.h"
#include "app/Messages.h"
#include "crypto/KeyDerivation.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"

namespace tsrn::app {

FrameLogic::FrameLogic(folders::AppState& state, FramePorts ports)
    : state_(state), ports_(std::move(ports)) {}

void FrameLogic::Created() {
    state_.failedUnlockCount = 0;
    state_.unlocked = true;
}

void FrameLogic::Lock() {
    state_.failedUnlockCount = 0;
    state_.unlocked = false;
}

bool FrameLogic::Unlocked() const {
    return state_.unlocked;
}

UnlockResult FrameLogic::Unlock(const std::function<void()>& switchMenus) {
    std::string password;
    const Check check = CheckPassword(password);
    if (check == Check::Cancelled)
        return UnlockResult::Cancelled;
    if (check != Check::Right) {
        ++state_.failedUnlockCount;
        ShowError(ports_.prompter, check == Check::Wrong ? ids::kTextWrongPassword
                                                         : ids::kTextWrongInstallationPassword);
        return UnlockResult::Refused;
    }

    if (switchMenus)
        switchMenus();
    if (state_.failedUnlockCount != 0) {
        ShowMessage(ports_.prompter, ids::kTextUnlockAttempts,
                    text::Format(ids::kTextUnlockAttempts, {state_.failedUnlockCount}).value_or(""),
                    ids::kCaptionAttention, Icon::Exclamation);
    }
    state_.failedUnlockCount = 0;
    state_.unlocked = true;
    if (!state_.keyLoaded && LoadKey(ports_.driver, password)) {
        state_.currentPassword = password;
        // Sends every folder's real state and marks the key as loaded.
        if (view_)
            view_->ResendAllStates();
        state_.keyLoaded = true;
        if (keyLoadedHook_)
            keyLoadedHook_();
    }
    return UnlockResult::Unlocked;
}

FrameLogic::Check FrameLogic::CheckPassword(std::string& password) {
    if (state_.keyLoaded) {
        const auto typed = ports_.passwords.AskUnlock(false);
        if (!typed)
            return Check::Cancelled;
        password = *typed;
        return password == state_.currentPassword ? Check::Right : Check::Wrong;
    }
    // The first unlock after a service start: nothing is loaded yet, so the
    // check runs against the stored check word, or, when none can be read,
    // through the password-not-found procedure (else the program could be
    // neither unlocked nor ended).
    if (const auto stored = ReadStoredCheckValue(ports_.store)) {
        return CheckAgainstStoredValue(*stored, password);
    }
    return RunMissingPasswordProcedure(password);
}

FrameLogic::Check FrameLogic::CheckAgainstStoredValue(std::uint32_t stored, std::string& password) {
    const auto typed = ports_.passwords.AskUnlock(false);
    if (!typed)
        return Check::Cancelled;
    // Unlike at start-up the stored value is not masked: a stored value with
    // a non-zero upper half never matches here. No key comes from a password
    // longer than 252 bytes, whatever its check word.
    if (!crypto::PasswordLengthAllowed(*typed) || stored != crypto::StoredCheckWord(*typed))
        return Check::Wrong;
    password = *typed;
    return Check::Right;
}

FrameLogic::Check FrameLogic::RunMissingPasswordProcedure(std::string& password) {
    const auto answer = ports_.passwords.AskMissingPassword();
    if (!answer)
        return Check::Cancelled;
    if (!InstallationPasswordMatches(ports_.store, answer->installationPassword,
                                     ports_.currentDirectory)) {
        return Check::WrongInstallation;
    }
    if (!crypto::PasswordLengthAllowed(answer->newPassword))
        return Check::Wrong;
    password = answer->newPassword;
    return Check::Right;
}

bool FrameLogic::DriverLostNow() {
    if (driverDown_ || !ports_.driver.CheckLost())
        return false;
    driverDown_ = true;
    return true;
}

bool FrameLogic::OfferDriverRestart() {
    if (!driverDown_)
        return true;
    Message message;
    message.textId = res::str::kDriverLost;
    message.text = text::FormatText<res::str::kDriverLost>(ports_.driver.LossReason());
    message.captionId = ids::kCaptionError;
    message.buttons = Buttons::YesNo;
    message.icon = Icon::Exclamation;
    message.defaultButton = Answer::Yes;
    if (ports_.prompter.Ask(message) != Answer::Yes)
        return false;
    if (!RestartDriver()) {
        ShowError(ports_.prompter, res::str::kDriverRestartFailed);
        return false;
    }
    return true;
}

bool FrameLogic::RestartDriver() {
    if (!ports_.driver.Restart())
        return false;
    // The new driver knows nothing: the password first, as at start-up, then
    // every folder.
    if (state_.keyLoaded && !LoadKey(ports_.driver, state_.currentPassword))
        return false;
    if (!ports_.driver.InitializeDriver())
        return false;
    driverDown_ = false;
    if (view_)
        view_->DriverRestarted();
    return true;
}

bool FrameLogic::Destroy(const Rect& windowRect) {
    if (!state_.unlocked)
        return false;
    ports_.driver.Close();
    if (!state_.listFileMode)
        SavePlacementAndCheckWord(windowRect);
    return true;
}

void FrameLogic::SavePlacementAndCheckWord(const Rect& windowRect) {
    ports_.store.SetInt(registry::kSettingsKey, ids::kValueX, windowRect.left);
    ports_.store.SetInt(registry::kSettingsKey, ids::kValueY, windowRect.top);
    ports_.store.SetInt(registry::kSettingsKey, ids::kValueCx, windowRect.right - windowRect.left);
    ports_.store.SetInt(registry::kSettingsKey, ids::kValueCy, windowRect.bottom - windowRect.top);
    // Never the check word of a password no key can be derived from.
    if (!crypto::PasswordLengthAllowed(state_.currentPassword))
        return;
    const std::uint32_t word = crypto::StoredCheckWord(state_.currentPassword);
    const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(word & 0xFF),
                                            static_cast<std::uint8_t>(word >> 8), 0, 0};
    ports_.store.SetBinary(registry::kSettingsKey, ids::kValuePwd, bytes.data(), bytes.size());
}

}  // namespace tsrn::app
