#include "app/gui/ToolBarLayoutStore.h"

#include <span>

namespace tsrn::app {
namespace {
constexpr std::string_view kProfileKey = "Software\\Tessaryn\\Tsrn\\";
constexpr std::string_view kStateValue = "State";
}  // namespace

std::string ToolBarLayoutStore::KeyOf(const QString& section) {
    return std::string(kProfileKey) + section.toStdString();
}

void ToolBarLayoutStore::Save(const QString& section, const QByteArray& state) {
    const std::string key = KeyOf(section);
    // A layout not stored costs only its arrangement at the next start.
    if (!database_.CreateKey(registry::Hive::CurrentUser, key))
        return;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(state.data()),
                                              static_cast<std::size_t>(state.size()));
    (void)database_.SetValue(registry::Hive::CurrentUser, key, kStateValue, registry::kRegBinary,
                             bytes);
}

QByteArray ToolBarLayoutStore::Load(const QString& section) {
    const auto value =
        database_.QueryValue(registry::Hive::CurrentUser, KeyOf(section), kStateValue);
    if (!value || value->type != registry::kRegBinary)
        return {};
    return QByteArray(reinterpret_cast<const char*>(value->data.data()),
                      static_cast<qsizetype>(value->data.size()));
}

}  // namespace tsrn::app
