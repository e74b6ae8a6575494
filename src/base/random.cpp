#include "base/random.h"

#include <chrono>

namespace stakor {

uint32_t TRandom::SeedFromTimeOfDay()
{
    using namespace std::chrono;
    const auto now = duration_cast<milliseconds>(system_clock::now().time_since_epoch());
    // Milliseconds since midnight UTC is exactly the formula above.
    return static_cast<uint32_t>(now.count() % (24LL * 60 * 60 * 1000));
}

} // namespace stakor
