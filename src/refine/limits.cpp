#include "refine/limits.h"

std::string refusal_text(refusal_reason reason, const std::string& what) {
    switch (reason) {
    case refusal_reason::past_the_last:
        return what + " is past the last, " + std::to_string(most_level);
    case refusal_reason::too_little_memory:
        return what + " needs more memory than is available";
    case refusal_reason::not_converged:
        return what + " did not converge";
    case refusal_reason::stalled:
        return what + ": the estimated error has not fallen for " + std::to_string(stall_steps) +
               " steps";
    case refusal_reason::none:
        break;
    }
    return "";
}
