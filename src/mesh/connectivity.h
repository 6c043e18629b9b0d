// Reading the element connectivity, elements.txt.
#pragma once

#include "problem/problem.h"

#include <istream>

// A triangulation's rows of its own, as the reader and the judge take them:
// rows()[e][1..3] are element e's node numbers, e from 1 to element_count;
// slot 0 of each is never read.
class element_table {
  public:
    element_table() {
        for (int e = 0; e <= element_count; e++) {
            row[e] = values[e];
        }
    }
    element_table(const element_table&) = delete;
    element_table& operator=(const element_table&) = delete;
    double** rows() {
        return row;
    }
    // Element e's node numbers, each truncated toward zero as the assembly
    // takes it.
    int node(int e, int local) const {
        return static_cast<int>(values[e][local]);
    }

  private:
    double values[element_count + 1][4] = {};
    double* row[element_count + 1];
};

// Parses the first 3 * element_count numbers of input into
// elements[1..element_count][1..3], in file order; anything after them is not
// read. Numbers may be laid out with any white space; a token is read up to 64
// characters and refused when it is longer. Each must be a finite
// decimal number (sign, digits, fraction, exponent, as formatted extraction of
// a double reads one) that truncates toward zero to a node number from 1 to
// node_count; it is stored as read (2.7 stays 2.7).
// Throws input_error, naming the element and node, at the first fault, or when
// the input ends early. `source` names the input in messages, and `word` what
// a triple is ("element 7, node 2"; a tool numbering triangles says "triangle").
void parse_elements(std::istream& input, double** elements, const char* source,
                    const char* word = "element");

// Whether a value read names a node: truncated toward zero, 1 to node_count.
bool is_node_number(double value);

// Opens elements.txt in the current directory and parses it as above. A
// folder of that name, or a file that cannot be opened or read, also throws
// input_error.
void read_elements(double** elements);
