#include "view/EnterAction.h"

#include "registry/RegistryStore.h"

namespace tsrn::view {

int ParseEnterAction(std::string_view text) {
    return registry::DecimalToInt(text) == 1 ? 1 : 0;
}

}  // namespace tsrn::view
