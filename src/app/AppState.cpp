#include "app/AppState.h"

namespace wayline {

TAppState& App() {
    static TAppState state;
    return state;
}

} // namespace wayline
