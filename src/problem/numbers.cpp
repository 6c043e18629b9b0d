#include "problem/numbers.h"

#include <cmath>
#include <iostream>
#include <locale>
#include <string>

namespace {

// The classic formatting, but for a NaN, which is "-nan", padded as any number.
class one_nan : public std::num_put<char> {
  protected:
    iter_type do_put(iter_type out, std::ios_base& stream, char_type fill,
                     double value) const override {
        return std::isnan(value) ? nan(out, stream, fill)
                                 : std::num_put<char>::do_put(out, stream, fill, value);
    }
    iter_type do_put(iter_type out, std::ios_base& stream, char_type fill,
                     long double value) const override {
        return std::isnan(value) ? nan(out, stream, fill)
                                 : std::num_put<char>::do_put(out, stream, fill, value);
    }

  private:
    static iter_type nan(iter_type out, std::ios_base& stream, char_type fill) {
        const std::string text = "-nan";
        const std::streamsize width = stream.width(0);
        const std::streamsize pad = width > static_cast<std::streamsize>(text.size())
                                        ? width - static_cast<std::streamsize>(text.size())
                                        : 0;
        const bool left = (stream.flags() & std::ios_base::adjustfield) == std::ios_base::left;
        for (std::streamsize k = 0; !left && k < pad; k++) {
            *out++ = fill;
        }
        for (const char c : text) {
            *out++ = c;
        }
        for (std::streamsize k = 0; left && k < pad; k++) {
            *out++ = fill;
        }
        return out;
    }
};

} // namespace

void print_nan_one_way() {
    const std::locale one(std::locale::classic(), new one_nan);
    std::locale::global(one);
    for (std::ostream* stream : {&std::cout, &std::cerr, &std::clog}) {
        stream->imbue(one);
    }
}
