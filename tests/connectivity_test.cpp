#include "mesh/connectivity.h"
#include "problem/problem.h"
#include "problem/status.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

#include "support.h"

namespace {

// Parses text into a table poisoned with not-a-number beforehand, so that a slot
// left unwritten shows; returns the refusal message, or "" when accepted.
std::string parse(const std::string& text) {
    for (int e = 0; e <= element_count; e++) {
        for (int j = 0; j < 4; j++) {
            elements[e][j] = std::numeric_limits<double>::quiet_NaN();
        }
    }
    std::istringstream input(text);
    try {
        parse_elements(input, elements, "elements.txt");
    } catch (const input_error& error) {
        return error.what();
    }
    return "";
}

// Sixty numbers, node 1 + (k mod 18) for number k = 0..59, with `separator`
// after each and number `replaced` written as `token` instead.
std::string numbers(const std::string& separator, int replaced = -1,
                    const std::string& token = "") {
    std::string text;
    for (int k = 0; k < 60; k++) {
        text += (k == replaced ? token : std::to_string(1 + k % 18)) + separator;
    }
    return text;
}

void expect_numbers_table() {
    for (int k = 0; k < 60; k++) {
        EXPECT_EQ(elements[k / 3 + 1][k % 3 + 1], 1 + k % 18) << "number " << k + 1;
    }
}

} // namespace

TEST(Connectivity, LayoutsAndSpellingsGiveTheSameTable) {
    fresh_storage();
    for (const char* separator : {" ", "\n", "\t\r\n", "  \t "}) {
        ASSERT_EQ(parse(numbers(separator)), "");
        expect_numbers_table();
    }
    // What follows the sixtieth number is never read.
    ASSERT_EQ(parse(numbers(" ") + "99 -4 twelve nan\n\x01garbage"), "");
    expect_numbers_table();
    // Spellings of the same number; a fraction is kept as read.
    for (const char* token : {"3", "3.0", "30e-1", "+3", "0.3e1"}) {
        ASSERT_EQ(parse(numbers(" ", 2, token)), "") << token;
        EXPECT_EQ(elements[1][3], 3.0) << token;
    }
    ASSERT_EQ(parse(numbers(" ", 59, "18.99")), "");
    EXPECT_EQ(elements[20][3], 18.99);
}

TEST(Connectivity, FaultsAreRefusedNamingElementNodeAndText) {
    fresh_storage();
    const std::string not_a_number = "\" is not a number";
    const std::string no_node = "\" is not a node number from 1 to 18";
    const std::map<std::string, std::string> faults = {
        {"twelve", not_a_number}, {"nan", not_a_number},   {"inf", not_a_number},
        {"-inf", not_a_number},   {"1,4,5", not_a_number}, {"1e999", not_a_number},
        {"0x10", not_a_number},   {"3abc", not_a_number},  {"0.5", no_node},
        {"0", no_node},           {"-0.5", no_node},       {"-3", no_node},
        {"19", no_node},          {"5e300", no_node},
    };
    for (const auto& [token, reason] : faults) {
        // Number 20 is node 2 of element 7.
        EXPECT_EQ(parse(numbers(" ", 19, token)),
                  "elements.txt: element 7, node 2: \"" + token + reason);
    }
    // Bytes that are not printable are escaped, long text cut short.
    EXPECT_EQ(parse(numbers(" ", 0,
                            "\xef\xbb\xbf"
                            "1")),
              "elements.txt: element 1, node 1: \"\\xef\\xbb\\xbf1" + not_a_number);
    EXPECT_EQ(parse(numbers(" ", 59, std::string(200, '9'))),
              "elements.txt: element 20, node 3: \"" + std::string(40, '9') +
                  "...\" is longer than 64 characters");

    std::string short_text = numbers(" ");
    short_text.resize(short_text.size() - 3); // drops "18 "
    EXPECT_EQ(parse(short_text), "elements.txt: found 59 numbers, 60 needed");
    EXPECT_EQ(parse(" \r\n\t "), "elements.txt: found 0 numbers, 60 needed");
}

TEST(Connectivity, MissingOrUnreadableFileIsRefused) {
    ScratchDir dir;
    fresh_storage();
    auto refusal = [] {
        try {
            read_elements(elements);
        } catch (const input_error& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refusal(), "elements.txt: cannot open: No such file or directory");
    std::filesystem::create_directory("elements.txt");
    EXPECT_EQ(refusal(), "elements.txt: cannot be read");
}

// Random and mutated files: the parser either fills every slot with a valid
// node number or refuses the text with a message; it never does anything else.
TEST(Connectivity, FuzzedInputIsAcceptedValidOrRefused) {
    fresh_storage();
    std::mt19937 random(20261206);
    const char* const blanks[] = {" ", "\t", "\n", "\r\n", "\v", ""};
    const char* const junk[] = {"7.5", "-0",  "0",  "19",    "1e",     "e5",   ".5e1",    "nan",
                                "x",   "--1", "1,", "1e308", "1e-320", "\x80", "\xff\xfe"};
    const std::string shipped = shipped_elements();
    int accepted = 0;
    int refused = 0;
    for (int round = 0; round < 3000; round++) {
        std::string text;
        if (round % 3 == 0) { // node numbers in many spellings, then anything
            for (int i = 0; i < 60; i++) {
                const std::string n = std::to_string(1 + random() % 18);
                const std::string spellings[] = {n,        "+" + n,  n + ".0",
                                                 n + ".5", n + "e0", n + "0e-1"};
                text += spellings[random() % 6] + blanks[random() % 5];
            }
            text += junk[random() % 15];
        } else if (round % 3 == 1) { // tokens good and bad
            for (int i = random() % 90; i > 0; i--) {
                text += (random() % 2 ? std::to_string(random() % 20) : junk[random() % 15]);
                text += blanks[random() % 6];
            }
        } else { // the shipped file with a few bytes inserted or changed
            text = shipped;
            for (int i = 1 + random() % 4; i > 0; i--) {
                const std::size_t at = random() % text.size();
                const char byte = static_cast<char>(random() % 256);
                if (random() % 2) {
                    text.insert(at, 1, byte);
                } else {
                    text[at] = byte;
                }
            }
        }
        const std::string message = parse(text);
        if (!message.empty()) {
            refused++;
            ASSERT_EQ(message.rfind("elements.txt: ", 0), 0u) << message;
            continue;
        }
        accepted++;
        for (int e = 1; e <= element_count; e++) {
            for (int j = 1; j <= 3; j++) {
                ASSERT_TRUE(elements[e][j] >= 1 && elements[e][j] < 19) << text;
            }
        }
    }
    EXPECT_GT(accepted, 500);
    EXPECT_GT(refused, 500);
}

// The shipped triangulation against the boundary table, from the node table alone.
TEST(ShippedTriangulation, CoversTheRegionAndPutsEachTermOnItsSide) {
    fresh_storage();
    ASSERT_EQ(parse(shipped_elements()), "");
    auto node = [](int e, int local) { return static_cast<int>(elements[e][local]); };
    auto x = [](int n) { return expected_node_xy[n][0]; };
    auto y = [](int n) { return expected_node_xy[n][1]; };
    using Edge = std::pair<int, int>;
    auto edge = [](int a, int b) { return a < b ? Edge(a, b) : Edge(b, a); };

    // Counter-clockwise triangles of total area 24, each interior edge shared
    // by two of them, and the edges used once exactly the outline.
    double total = 0;
    std::map<Edge, int> uses;
    for (int e = 1; e <= element_count; e++) {
        const int a = node(e, 1), b = node(e, 2), c = node(e, 3);
        const double area = ((x(b) - x(a)) * (y(c) - y(a)) - (x(c) - x(a)) * (y(b) - y(a))) / 2;
        EXPECT_GT(area, 0) << "element " << e;
        total += area;
        for (const Edge& side : {edge(a, b), edge(b, c), edge(c, a)}) {
            uses[side]++;
        }
    }
    EXPECT_EQ(total, 24.0);
    const int outline[] = {1, 4, 9, 14, 15, 16, 17, 18, 13, 8, 7, 6, 3, 2, 1};
    std::set<Edge> expected_once;
    for (int k = 0; k + 1 < 15; k++) {
        expected_once.insert(edge(outline[k], outline[k + 1]));
    }
    std::set<Edge> used_once;
    for (const auto& [side, count] : uses) {
        EXPECT_LE(count, 2);
        if (count == 1) {
            used_once.insert(side);
        }
    }
    EXPECT_EQ(used_once, expected_once);

    // The local edges that the boundary table names, and where they lie.
    std::map<Edge, int> flux;
    std::map<Edge, int> convection;
    const std::tuple<int, int, int> flux_sides[] = {
        {4, 1, 3}, {12, 1, 3}, {9, 2, 3}, {11, 2, 3}, {20, 1, 3}};
    for (const auto& [e, i, j] : flux_sides) {
        const int a = node(e, i), b = node(e, j);
        const bool top = y(a) == 6 && y(b) == 6;
        const bool wall = x(a) == 1.5 && x(b) == 1.5 && y(a) >= 4 && y(b) >= 4;
        const bool floor = y(a) == 4 && y(b) == 4 && x(a) <= 1.5 && x(b) <= 1.5;
        EXPECT_TRUE(top || wall || floor) << "flux edge of element " << e;
        flux[edge(a, b)]++;
    }
    for (int e : {14, 16, 18, 20}) {
        const int a = node(e, 2), b = node(e, 3);
        EXPECT_TRUE(x(a) == 4.5 && x(b) == 4.5) << "convection edge of element " << e;
        convection[edge(a, b)]++;
    }
    const std::map<Edge, int> flux_edges = {
        {edge(18, 13), 1}, {edge(13, 8), 1}, {edge(8, 7), 1}, {edge(7, 6), 1}, {edge(6, 3), 1}};
    const std::map<Edge, int> convection_edges = {
        {edge(14, 15), 1}, {edge(15, 16), 1}, {edge(16, 17), 1}, {edge(17, 18), 1}};
    EXPECT_EQ(flux, flux_edges);
    EXPECT_EQ(convection, convection_edges);
}
