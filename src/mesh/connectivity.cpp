#include "mesh/connectivity.h"

#include "problem/problem.h"
#include "problem/status.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// The token as it goes into a message: quoted, every byte that is not printable
// ASCII escaped (a byte-order mark shows as \xef\xbb\xbf), and cut short when
// it is long.
std::string shown(const std::string& token) {
    const std::size_t shown_limit = 40;
    std::string text = "\"";
    for (std::size_t i = 0; i < token.size() && i < shown_limit; i++) {
        const unsigned char byte = static_cast<unsigned char>(token[i]);
        if (byte < 0x20 || byte >= 0x7f || byte == '"' || byte == '\\') {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            text += escape;
        } else {
            text += static_cast<char>(byte);
        }
    }
    if (token.size() > shown_limit) {
        text += "...";
    }
    return text + "\"";
}

// The token read as one finite decimal number: an optional sign, digits, an
// optional fraction and an optional exponent, the whole token and nothing
// else; false otherwise. Only decimal characters pass, so that no library
// reads hexadecimal ("0x10"), "inf" or "nan". A value too small for a double
// reads as 0 or a subnormal on every platform (some stream libraries fail the
// read there); one too large is not a number.
bool parse_number(const std::string& token, double& value) {
    if (token.empty() || token.find_first_not_of("0123456789+-.eE") != std::string::npos) {
        return false;
    }
    char* end = nullptr;
    value = std::strtod(token.c_str(), &end);
    return end == token.c_str() + token.size() && std::isfinite(value);
}

// The longest token read: a node number never needs more, and a longer run of
// bytes (a link to an endless device, say) is refused once it gets there.
constexpr std::size_t token_limit = 64;

bool is_blank(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads the next white-space-separated token into token (empty on entry),
// stopping one byte past token_limit; false at the end of input.
bool next_token(std::istream& input, std::string& token) {
    int c = input.get();
    while (c != EOF && is_blank(c)) {
        c = input.get();
    }
    while (c != EOF && !is_blank(c)) {
        token += static_cast<char>(c);
        if (token.size() > token_limit) {
            break;
        }
        c = input.get();
    }
    return !token.empty();
}

std::string position(const char* source, const char* word, int element, int node) {
    return std::string(source) + ": " + word + " " + std::to_string(element) + ", node " +
           std::to_string(node) + ": ";
}

} // namespace

bool is_node_number(double value) {
    return value >= 1.0 && value < node_count + 1.0;
}

void parse_elements(std::istream& input, double** elements, const char* source, const char* word) {
    int numbers_read = 0;
    for (int e = 1; e <= element_count; e++) {
        for (int j = 1; j <= 3; j++) {
            std::string token;
            bool found = next_token(input, token);
            const mentions at = {{naming::element, e, 0}};
            // A UTF-8 byte-order mark at the start, as Windows Notepad writes
            // one, is no number: it is skipped.
            if (numbers_read == 0 && token.compare(0, 3, "\xEF\xBB\xBF") == 0) {
                token.erase(0, 3);
                found = !token.empty() || next_token(input, token);
            }
            if (!found) {
                if (input.bad()) {
                    throw input_error(std::string(source) + ": cannot be read");
                }
                throw input_error(std::string(source) + ": found " + std::to_string(numbers_read) +
                                  " numbers, " + std::to_string(3 * element_count) + " needed");
            }
            if (token.size() > token_limit) {
                throw input_error(position(source, word, e, j) + shown(token) + " is longer than " +
                                      std::to_string(token_limit) + " characters",
                                  at);
            }
            double value = 0.0;
            if (!parse_number(token, value)) {
                throw input_error(position(source, word, e, j) + shown(token) + " is not a number",
                                  at);
            }
            if (!is_node_number(value)) {
                throw input_error(position(source, word, e, j) + shown(token) +
                                      " is not a node number from 1 to " +
                                      std::to_string(node_count),
                                  at);
            }
            elements[e][j] = value;
            numbers_read++;
        }
    }
}

void read_elements(double** elements) {
    const char* name = "elements.txt";
    // Checked first: Windows refuses to open a folder, POSIX opens it and
    // fails at the first read; the message is the same on both.
    std::error_code ignored;
    if (std::filesystem::is_directory(name, ignored)) {
        throw input_error(std::string(name) + ": is a folder, not a file");
    }
    errno = 0;
    std::ifstream output_elements(name);
    if (!output_elements.is_open()) {
        throw input_error(with_reason(std::string(name) + ": cannot open", errno));
    }
    parse_elements(output_elements, elements, name);
}
