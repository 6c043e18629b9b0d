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
#include <utility>

#include "support.h"

namespace {

// Fills the connectivity table with not-a-number, so that a slot the reader
// does not write is noticed.
void poison_elements() {
    for (int e = 0; e <= element_count; e++) {
        for (int j = 0; j < 4; j++) {
            elements[e][j] = std::numeric_limits<double>::quiet_NaN();
        }
    }
}

void parse_text(const std::string& text) {
    std::istringstream input(text);
    parse_elements(input, elements, "elements.txt");
}

// The message a text is refused with, or "" when it is accepted.
std::string refusal(const std::string& text) {
    try {
        parse_text(text);
    } catch (const input_error& error) {
        return error.what();
    }
    return "";
}

// 60 numbers: node 1 + (k mod 18) for k = 0..59, one triple a line.
std::string triples() {
    std::string text;
    for (int k = 0; k < 60; k++) {
        text += std::to_string(1 + k % 18) + (k % 3 == 2 ? "\n" : " ");
    }
    return text;
}

// triples() with number k (0-based) replaced by token.
std::string triples_with(int k, const std::string& token) {
    std::istringstream in(triples());
    std::string text;
    std::string number;
    for (int i = 0; in >> number; i++) {
        text += (i == k ? token : number) + " ";
    }
    return text;
}

void expect_triples_table() {
    for (int k = 0; k < 60; k++) {
        EXPECT_EQ(elements[k / 3 + 1][k % 3 + 1], 1 + k % 18) << "number " << k + 1;
    }
}

} // namespace

TEST(Connectivity, AnyWhiteSpaceLayoutGivesTheSameTable) {
    fresh_storage();
    std::string one_line;
    std::string one_a_line;
    for (int k = 0; k < 60; k++) {
        one_line += std::to_string(1 + k % 18) + "  ";
        one_a_line += "\t" + std::to_string(1 + k % 18) + "\r\n";
    }
    for (const std::string& text : {triples(), one_line, one_a_line}) {
        poison_elements();
        ASSERT_EQ(refusal(text), "");
        expect_triples_table();
    }
}

TEST(Connectivity, WhatFollowsTheSixtiethNumberIsNotRead) {
    fresh_storage();
    poison_elements();
    ASSERT_EQ(refusal(triples() + "99 -4 twelve nan\n\x01garbage"), "");
    expect_triples_table();
}

TEST(Connectivity, NumberSpellingsAndFractionsAreKeptAsRead) {
    fresh_storage();
    poison_elements();
    ASSERT_EQ(refusal(triples_with(0, "3.0") + ""), "");
    EXPECT_EQ(elements[1][1], 3.0);
    ASSERT_EQ(refusal(triples_with(1, "7e0")), "");
    EXPECT_EQ(elements[1][2], 7.0);
    ASSERT_EQ(refusal(triples_with(2, "+7")), "");
    EXPECT_EQ(elements[1][3], 7.0);
    ASSERT_EQ(refusal(triples_with(3, "2.7")), "");
    EXPECT_EQ(elements[2][1], 2.7);
    ASSERT_EQ(refusal(triples_with(59, "18.99")), "");
    EXPECT_EQ(elements[20][3], 18.99);
}

TEST(Connectivity, TooFewNumbersSaysHowManyWereFound) {
    fresh_storage();
    std::string text = triples();
    text.erase(text.rfind(' ')); // drop the last number
    EXPECT_EQ(refusal(text), "elements.txt: found 59 numbers, 60 needed");
    EXPECT_EQ(refusal(""), "elements.txt: found 0 numbers, 60 needed");
    EXPECT_EQ(refusal(" \r\n\t "), "elements.txt: found 0 numbers, 60 needed");
}

TEST(Connectivity, TokensThatAreNotNumbersAreRefused) {
    fresh_storage();
    // Number 20 is node 2 of element 7.
    for (const char* token :
         {"twelve", "nan", "inf", "-inf", "1,4,5", "1e999", "0x10", "3abc", "."}) {
        EXPECT_EQ(refusal(triples_with(19, token)),
                  std::string("elements.txt: element 7, node 2: \"") + token +
                      "\" is not a number");
    }
}

TEST(Connectivity, ValuesThatNameNoNodeAreRefused) {
    fresh_storage();
    for (const char* token : {"0.5", "0", "-0.5", "-3", "19", "19.0", "5e300"}) {
        EXPECT_EQ(refusal(triples_with(59, token)),
                  std::string("elements.txt: element 20, node 3: \"") + token +
                      "\" is not a node number from 1 to 18");
    }
}

TEST(Connectivity, OffendingTextIsEscapedAndShortened) {
    fresh_storage();
    EXPECT_EQ(refusal(triples_with(0, "a\x1b[2J")),
              "elements.txt: element 1, node 1: \"a\\x1b[2J\" is not a number");
    const std::string message = refusal(triples_with(0, std::string(200, '9')));
    EXPECT_EQ(message, "elements.txt: element 1, node 1: \"" + std::string(40, '9') +
                           "...\" is not a node number from 1 to 18");
}

TEST(Connectivity, MissingOrUnreadableFileIsRefused) {
    ScratchDir dir;
    fresh_storage();
    try {
        read_elements(elements);
        ADD_FAILURE() << "a missing file was accepted";
    } catch (const input_error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "elements.txt: cannot open: No such file or directory");
    }
    std::filesystem::create_directory("elements.txt");
    try {
        read_elements(elements);
        ADD_FAILURE() << "a directory was accepted";
    } catch (const input_error& error) {
        EXPECT_EQ(std::string(error.what()), "elements.txt: cannot be read");
    }
}

TEST(Connectivity, ReadsElementsTxtFromTheCurrentFolder) {
    ScratchDir dir;
    fresh_storage();
    poison_elements();
    write_file("elements.txt", triples());
    read_elements(elements);
    expect_triples_table();
}

// Random and mutated files: the parser either fills every slot with a valid
// node number or refuses the text with a message; it never does anything else.
TEST(Connectivity, FuzzedInputIsAcceptedValidOrRefused) {
    fresh_storage();
    std::mt19937 random(20261206);
    const std::vector<std::string> pieces = {
        "1",   "18", "7.5", "+3", "-0", "0",    "19", "1e1", "1e", "e5", "1.8e1", ".5e1",  "nan",
        "inf", "x",  "--1", "1,", "\n", "\r\n", "\t", " ",   "\v", "\f", "1e308", "1e-320"};
    const std::string shipped = shipped_elements();
    ASSERT_FALSE(shipped.empty());
    int accepted = 0;
    int refused = 0;
    for (int round = 0; round < 3000; round++) {
        std::string text;
        const char* const blanks[] = {" ", "\t", "\n", "\r\n", "  \v", "\f"};
        if (round % 3 == 0) {
            // Node numbers in many spellings, any layout, then anything.
            for (int i = 0; i < 60; i++) {
                const int n = std::uniform_int_distribution<int>(1, 18)(random);
                const std::string spellings[] = {
                    std::to_string(n),        "+" + std::to_string(n),
                    std::to_string(n) + ".0", std::to_string(n) + ".5",
                    std::to_string(n) + "e0", std::to_string(n * 10) + "e-1"};
                text += spellings[random() % 6];
                text += blanks[random() % 6];
            }
            text += pieces[random() % pieces.size()];
        } else if (round % 3 == 1) {
            const int count = std::uniform_int_distribution<int>(0, 90)(random);
            for (int i = 0; i < count; i++) {
                text += pieces[random() % pieces.size()];
                text += (random() % 4 == 0) ? "" : blanks[random() % 6];
            }
        } else {
            text = shipped;
            const int edits = std::uniform_int_distribution<int>(1, 4)(random);
            for (int i = 0; i < edits && !text.empty(); i++) {
                const std::size_t at = random() % text.size();
                const char byte = static_cast<char>(random() % 256);
                switch (random() % 3) {
                case 0:
                    text.erase(at, 1);
                    break;
                case 1:
                    text.insert(at, 1, byte);
                    break;
                default:
                    text[at] = byte;
                    break;
                }
            }
        }
        poison_elements();
        try {
            parse_text(text);
            accepted++;
            for (int e = 1; e <= element_count; e++) {
                for (int j = 1; j <= 3; j++) {
                    const double value = elements[e][j];
                    ASSERT_TRUE(std::isfinite(value)) << text;
                    const int node = static_cast<int>(value);
                    ASSERT_GE(node, 1) << text;
                    ASSERT_LE(node, node_count) << text;
                }
            }
        } catch (const input_error& error) {
            refused++;
            ASSERT_EQ(std::string(error.what()).rfind("elements.txt: ", 0), 0u);
        }
    }
    // Both outcomes must have been exercised for the test to mean anything.
    EXPECT_GT(accepted, 100);
    EXPECT_GT(refused, 100);
}

// The shipped triangulation against the problem's boundary table, from the
// node coordinates alone.
class ShippedTriangulation : public testing::Test {
  protected:
    void SetUp() override {
        fresh_storage();
        poison_elements();
        ASSERT_EQ(refusal(shipped_elements()), "");
    }
    static int node(int e, int local) {
        return static_cast<int>(elements[e][local]);
    }
    static double x(int n) {
        return expected_node_xy[n][0];
    }
    static double y(int n) {
        return expected_node_xy[n][1];
    }
    static std::pair<int, int> edge(int a, int b) {
        return a < b ? std::make_pair(a, b) : std::make_pair(b, a);
    }
};

TEST_F(ShippedTriangulation, CounterClockwiseTrianglesCoverTheRegionOnce) {
    double total = 0;
    std::map<std::pair<int, int>, int> uses;
    for (int e = 1; e <= element_count; e++) {
        const int a = node(e, 1), b = node(e, 2), c = node(e, 3);
        const double area = ((x(b) - x(a)) * (y(c) - y(a)) - (x(c) - x(a)) * (y(b) - y(a))) / 2;
        EXPECT_GT(area, 0) << "element " << e;
        total += area;
        uses[edge(a, b)]++;
        uses[edge(b, c)]++;
        uses[edge(c, a)]++;
    }
    EXPECT_EQ(total, 24.0);
    // Interior edges are shared by two triangles; the edges used once are the outline.
    const std::set<std::pair<int, int>> outline = {
        edge(1, 4),   edge(4, 9),   edge(9, 14),  edge(14, 15), edge(15, 16),
        edge(16, 17), edge(17, 18), edge(18, 13), edge(13, 8),  edge(8, 7),
        edge(7, 6),   edge(6, 3),   edge(3, 2),   edge(2, 1)};
    std::set<std::pair<int, int>> used_once;
    for (const auto& [side, count] : uses) {
        EXPECT_LE(count, 2) << side.first << "-" << side.second;
        if (count == 1) {
            used_once.insert(side);
        }
    }
    EXPECT_EQ(used_once, outline);
}

TEST_F(ShippedTriangulation, BoundaryTableActsOnTheRightSides) {
    std::map<std::pair<int, int>, int> flux;
    std::map<std::pair<int, int>, int> convection;
    auto fluxed = [&](int e, int i, int j) {
        const int a = node(e, i), b = node(e, j);
        const bool top = y(a) == 6 && y(b) == 6;
        const bool wall = x(a) == 1.5 && x(b) == 1.5 && y(a) >= 4 && y(b) >= 4;
        const bool floor = y(a) == 4 && y(b) == 4 && x(a) <= 1.5 && x(b) <= 1.5;
        EXPECT_TRUE(top || wall || floor) << "flux edge " << a << "-" << b << " of element " << e;
        flux[edge(a, b)]++;
    };
    auto convective = [&](int e) {
        const int a = node(e, 2), b = node(e, 3);
        EXPECT_TRUE(x(a) == 4.5 && x(b) == 4.5) << "convection edge of element " << e;
        convection[edge(a, b)]++;
    };
    fluxed(4, 1, 3);
    fluxed(12, 1, 3);
    fluxed(9, 2, 3);
    fluxed(11, 2, 3);
    fluxed(20, 1, 3);
    for (int e : {14, 16, 18, 20}) {
        convective(e);
    }
    const std::map<std::pair<int, int>, int> flux_edges = {
        {edge(18, 13), 1}, {edge(13, 8), 1}, {edge(8, 7), 1}, {edge(7, 6), 1}, {edge(6, 3), 1}};
    const std::map<std::pair<int, int>, int> convection_edges = {
        {edge(14, 15), 1}, {edge(15, 16), 1}, {edge(16, 17), 1}, {edge(17, 18), 1}};
    EXPECT_EQ(flux, flux_edges);
    EXPECT_EQ(convection, convection_edges);
}
