#include "cli/console/json_text.h"

namespace tavro::cli {

std::string JsonText(const Json& value) {
    return value.dump(-1, ' ', true, Json::error_handler_t::replace);
}

}  // namespace tavro::cli
