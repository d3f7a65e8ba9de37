#include "app/FrameLogic.h"

#include <array>

#include "app/AppIds.h"
#include "app/InstallationPassword.h"
#include "app/KeyLoading.h"
#include "app/Messages.h"
#include "crypto/KeyDerivation.h"
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
    if (!state_.keyLoaded) {
        state_.currentPassword = password;
        LoadKey(ports_.driver, state_.currentPassword);
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
    // a non-zero upper half never matches here.
    if (stored != crypto::StoredCheckWord(*typed))
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
    password = answer->newPassword;
    return Check::Right;
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
    ports_.store.SetInt(kSettingsKey, ids::kValueX, windowRect.left);
    ports_.store.SetInt(kSettingsKey, ids::kValueY, windowRect.top);
    ports_.store.SetInt(kSettingsKey, ids::kValueCx, windowRect.right - windowRect.left);
    ports_.store.SetInt(kSettingsKey, ids::kValueCy, windowRect.bottom - windowRect.top);
    const std::uint32_t word = crypto::StoredCheckWord(state_.currentPassword);
    const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(word & 0xFF),
                                            static_cast<std::uint8_t>(word >> 8), 0, 0};
    ports_.store.SetBinary(kSettingsKey, ids::kValuePwd, bytes.data(), bytes.size());
}

}  // namespace tsrn::app
