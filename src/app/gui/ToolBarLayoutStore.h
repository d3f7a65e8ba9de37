#pragma once
// The toolbar layout per lock state, kept in the per-user registry under the
// sections "ToolBar" (unlocked) and "ToolBarOff" (locked).

#include <QByteArray>
#include <QString>

#include "registry/RegistryDatabase.h"

namespace tsrn::app {

class ToolBarLayoutStore {
  public:
    explicit ToolBarLayoutStore(registry::RegistryDatabase& database) : database_(database) {}

    void Save(const QString& section, const QByteArray& state);
    QByteArray Load(const QString& section);

    static std::string KeyOf(const QString& section);

  private:
    registry::RegistryDatabase& database_;
};

}  // namespace tsrn::app
