#include "app/gui/PlaceholderView.h"

#include <array>

namespace tsrn::app {
namespace {
constexpr int kTickMs = 1000;
}

PlaceholderView::PlaceholderView(RegistryStore& store, driver::DriverLink& driver, bool listFileRun)
    : store_(store), driver_(driver), listFileRun_(listFileRun), label_(new QLabel) {
    label_->setObjectName(QStringLiteral("59648"));  // the framework's first pane id
    label_->setAlignment(Qt::AlignCenter);
    label_->setAutoFillBackground(true);
    label_->setBackgroundRole(QPalette::Base);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (tick_)
            tick_();
    });
}

PlaceholderView::~PlaceholderView() = default;

void PlaceholderView::Start() {
    std::array<std::uint8_t, 4> gs{};
    if (store_.GetBinary(kSettingsKey, "GS", gs.data(), gs.size())) {
        globalWord_ = static_cast<std::uint32_t>(gs[0]) | static_cast<std::uint32_t>(gs[1]) << 8 |
                      static_cast<std::uint32_t>(gs[2]) << 16 |
                      static_cast<std::uint32_t>(gs[3]) << 24;
    }
    (void)driver_.SetGlobalProtection(globalWord_);  // a stand-in: it shows no errors
    enterAction_ = ParseEnterAction(store_.GetString(kSettingsKey, "EnterAction", "0"));
    timer_.start(kTickMs);
}

void PlaceholderView::Close() {
    timer_.stop();
    SaveSettings();
}

void PlaceholderView::SendGlobalProtection() {
    (void)driver_.SetGlobalProtection(globalWord_);
}

void PlaceholderView::SaveSettings() {
    if (listFileRun_ || locked_)
        return;
    store_.SetInt(kSettingsKey, "EnterAction", enterAction_);
    const std::array<std::uint8_t, 4> gs{
        static_cast<std::uint8_t>(globalWord_ & 0xFF), static_cast<std::uint8_t>(globalWord_ >> 8),
        static_cast<std::uint8_t>(globalWord_ >> 16), static_cast<std::uint8_t>(globalWord_ >> 24)};
    store_.SetBinary(kSettingsKey, "GS", gs.data(), gs.size());
}

}  // namespace tsrn::app
