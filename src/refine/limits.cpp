#include "refine/limits.h"

#include <cmath>
#include <sstream>

std::string refusal_text(refusal_reason reason, const std::string& what) {
    switch (reason) {
    case refusal_reason::past_the_last:
        return what + " is past the last, " + std::to_string(most_level);
    case refusal_reason::not_converged:
        return what + " did not converge";
    case refusal_reason::none:
        break;
    }
    return "";
}

std::string megabytes(double bytes) {
    return std::to_string(static_cast<long long>(std::ceil(bytes / (1 << 20)))) + " MB";
}

std::string memory_words(const std::string& what, double needed, double available) {
    return what + " needs about " + megabytes(needed) + ", more than the " + megabytes(available) +
           " available";
}

std::string stall_words(int step, double estimate) {
    std::ostringstream why;
    why << "the steps stalled: the estimated error has not fallen for " << stall_steps
        << " steps, and is " << estimate << " at step " << step;
    return why.str();
}
