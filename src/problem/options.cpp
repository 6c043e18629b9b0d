#include "problem/options.h"

#include "api/heat2d.h"

#include "problem/plate.h"
#include "refine/adapted_run.h"
#include "refine/limits.h"
#include "refine/refined_run.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// An option of a run: its name, what its value is called in the usage (none:
// it takes no value), and what it does, for --help.
struct option_kind {
    const char* name;
    const char* value;
    decltype(command::run) run;
    double least, most; // the value's closed range
    const char* does;
};

const option_kind run_options[] = {
    {"--refine", "LEVEL", command::refine, 0, most_level,
     "solves the same problem on those triangles split LEVEL times, each into four, prints how "
     "the answer changes level by level and the error left, and writes refined_mesh.txt, "
     "refined_elements.txt and refined_write_.txt"},
    {"--adapt", "ERROR", command::adapt, least_error, most_error,
     "refines those triangles step by step where the error is, until the estimated error at "
     "every one of heat2d's nodes is at most ERROR, prints a line a step and the answer with the "
     "error left, and writes adapted_mesh.txt, adapted_elements.txt and adapted_write_.txt"},
    {"--help", nullptr, command::help, 0, 0, "prints this"},
    {"--version", nullptr, command::version, 0, 0, "prints the release"},
};

// The value's letter in the usage, and what the value is.
struct value_words {
    const char* letter;
    const char* what;
};
const value_words value_help[value_count] = {
    {"K", "the plate's"},
    {"Q", "into the top edge and the notch"},
    {"H", "the right edge's coefficient"},
    {"T", "the air's temperature"},
    {"WIDTH", "the whole plate's, of which heat2d solves the half right of the symmetry line"},
    {"HEIGHT", "the plate's"},
    {"NOTCH_WIDTH", "the notch's, centred on the symmetry line"},
    {"NOTCH_DEPTH", "the notch's, down from the top edge"},
};

// An argument of the command line: an option of the table (kind, or none),
// its value's text when it takes one (nullptr when none is given), and the
// argument as given.
struct argument {
    const option_kind* kind;
    const char* text;
    const char* given;
};

// The option that argv[i] names, as --name or --name=value, with its value;
// i moves past a value given apart.
bool named(int argc, char** argv, int& i, const char* name, bool takes, const char*& text) {
    const std::size_t length = std::strlen(name);
    if (std::strncmp(argv[i], name, length) != 0) {
        return false;
    }
    if (argv[i][length] == '\0') {
        text = takes && i + 1 < argc ? argv[++i] : nullptr;
        return true;
    }
    if (takes && argv[i][length] == '=') {
        text = argv[i] + length + 1;
        return true;
    }
    return false;
}

void refuse(const std::string& line) {
    std::cerr << "heat2d: " << line << std::endl;
}

// Takes the problem's values out of the arguments, the others left in rest.
// False after the line that refuses one: missing, not a decimal number, out
// of its range, or given twice.
bool take_values(int argc, char** argv, problem_values& values, std::vector<char*>& rest) {
    bool given[value_count] = {};
    for (int i = 1; i < argc; i++) {
        char* const word = argv[i];
        const value_kind* found = nullptr;
        const char* text = nullptr;
        for (const value_kind& kind : value_kinds) {
            if (named(argc, argv, i, kind.option, true, text)) {
                found = &kind;
                break;
            }
        }
        if (found == nullptr) {
            rest.push_back(word);
            continue;
        }
        const value_kind& kind = *found;
        const std::string takes = std::string(kind.option) + " takes a decimal number ";
        double value = 0;
        bool& once = given[&kind - value_kinds];
        if (once) {
            refuse(std::string(kind.option) + " is given twice");
        } else if (text == nullptr) {
            refuse(takes + value_range(kind) + ", and none is given");
        } else if (!read_decimal(text, true, value)) {
            refuse(takes + value_range(kind) + ", not \"" + text + "\"");
        } else if (const std::string why = value_refusal(kind, value); !why.empty()) {
            refuse(takes + why);
        } else {
            once = true;
            values.*kind.member = value;
            continue;
        }
        return false;
    }
    return true;
}

// The run or answer that the arguments ask for, as read_options.
bool read_command(int argc, char** argv, command& given) {
    std::vector<char*> left;
    if (!take_values(argc, argv, given.values, left)) {
        return false;
    }
    // The run's options, each with its value, from what the values left.
    std::vector<argument> options;
    const int count = static_cast<int>(left.size());
    for (int i = 0; i < count; i++) {
        argument read{nullptr, nullptr, left[i]};
        for (const option_kind& kind : run_options) {
            if (named(count, left.data(), i, kind.name, kind.value != nullptr, read.text)) {
                read.kind = &kind;
                break;
            }
        }
        options.push_back(read);
    }
    // Whether an argument names the option at all, its value read or not.
    const auto anywhere = [&](const char* name) {
        const std::size_t length = std::strlen(name);
        return std::any_of(left.begin(), left.end(), [&](const char* a) {
            return std::strncmp(a, name, length) == 0 && (a[length] == '\0' || a[length] == '=');
        });
    };
    if (options.empty()) {
        return true;
    }
    if (anywhere("--adapt")) {
        if (anywhere("--refine")) {
            refuse("--adapt cannot be given with --refine");
            return false;
        }
        if (options.size() == 1 && adapt_error(options[0].text, given.error)) {
            given.run = command::adapt;
            return true;
        }
        std::ostringstream line;
        line << "--adapt takes one error, a decimal number from " << least_error << " to "
             << most_error;
        refuse(line.str());
        return false;
    }
    const argument& first = options[0];
    if (first.kind != nullptr && first.kind->run == command::refine) {
        if (options.size() == 1 && refine_level(first.text, given.level)) {
            given.run = command::refine;
            return true;
        }
        refuse("--refine takes one level, a whole number from 0 to " + std::to_string(most_level));
        return false;
    }
    if (first.kind != nullptr && first.kind->value == nullptr) {
        if (options.size() == 1) {
            given.run = first.kind->run;
            return true;
        }
        refuse(std::string(first.kind->name) + " takes no other argument");
        return false;
    }
    refuse(std::string("\"") + first.given +
           "\" is not an option; heat2d reads elements.txt in the current folder (heat2d --help "
           "lists the options)");
    return false;
}

} // namespace

bool read_options(int argc, char** argv, command& given) {
    if (!read_command(argc, argv, given)) {
        return false;
    }
    const bool solves = given.run != command::help && given.run != command::version;
    if (const std::string why = solves ? plate_refusal(given.values) : ""; !why.empty()) {
        refuse(why);
        return false;
    }
    return true;
}

void print_help() {
    std::ostringstream text;
    text << "usage: heat2d [" << run_options[0].name << " " << run_options[0].value << " | "
         << run_options[1].name << " " << run_options[1].value << "]";
    for (int k = 0; k < value_count; k++) {
        text << " [" << value_kinds[k].option << " " << value_help[k].letter << "]";
    }
    text << "\nSolves steady heat conduction in the notched plate on the " << element_count
         << " triangles of elements.txt in the current folder, and writes mesh.txt, mesh.geo, "
            "f.txt, K.txt and write_.txt there.\n";
    for (const option_kind& kind : run_options) {
        if (kind.value != nullptr) {
            text << "With " << kind.name << " " << kind.value << " (" << kind.least << " to "
                 << kind.most << "), " << kind.does << ".\n";
        }
    }
    // The values from first to last, listed: "A (...), B (...) and C (...)".
    const auto list = [&text](int first, int last) {
        for (int k = first; k < last; k++) {
            const value_kind& kind = value_kinds[k];
            text << (k == first     ? ""
                     : k + 1 < last ? ", "
                                    : " and ")
                 << kind.option << " " << value_help[k].letter << " (" << value_help[k].what << ", "
                 << value_range(kind) << ")";
        }
    };
    text << "The problem's values, the design's unless given: ";
    list(0, first_dimension);
    text << ".\nThe plate's dimensions, the design's unless given: ";
    list(first_dimension, value_count);
    text << "; the notch inside the plate, and the grid's spacings (half the notch's width, a "
            "quarter of the width beside it, half the height below it, half its depth) at most "
         << HEAT2D_MOST_SPACING_RATIO
         << " times one another.\nA run given any value or dimension writes all eight beside "
            "its files, in values.txt (refined_values.txt, adapted_values.txt).\nAn option's "
            "value may also follow an equals sign (--refine=3); ";
    for (const option_kind& kind : run_options) {
        if (kind.value == nullptr) {
            text << kind.name << " " << kind.does << (kind.run == command::help ? ", " : "");
        }
    }
    text << ", each alone.";
    std::istringstream lines(text.str());
    for (std::string line; std::getline(lines, line);) {
        std::cout << line << std::endl;
    }
}
