/* heat2d's rules for other programs: the nodes, the outline, the boundary
 * table, the reading of elements.txt, the judge of a triangulation, the
 * numbering for the table and one element's values, as the program itself
 * has them. Plain C types; node and element numbers are 1-based.
 *
 * Every call that can fail returns HEAT2D_OK, HEAT2D_REFUSED (the input is
 * refused: the lines say why) or HEAT2D_BAD_CALL (a null pointer, a buffer too
 * small, a count or number out of range: heat2d_error() says which). Text
 * handed out through a char** belongs to the caller, who frees it with
 * heat2d_free(); on HEAT2D_BAD_CALL none is handed out. */
#ifndef HEAT2D_H
#define HEAT2D_H

#include <stddef.h>

#if defined(_WIN32)
#define HEAT2D_API __declspec(dllexport)
#elif defined(__GNUC__)
#define HEAT2D_API __attribute__((visibility("default")))
#else
#define HEAT2D_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum { HEAT2D_OK = 0, HEAT2D_REFUSED = 1, HEAT2D_BAD_CALL = -1 };

/* The kinds of boundary term. */
enum { HEAT2D_NO_TERM = 0, HEAT2D_HEAT_FLUX = 1, HEAT2D_CONVECTION = 2 };

/* Why the last call was a bad one ("" after a good one). */
HEAT2D_API const char* heat2d_error(void);

/* Frees text handed out by the library; NULL is ignored. */
HEAT2D_API void heat2d_free(char* text);

/* 18 and 20. */
HEAT2D_API int heat2d_node_count(void);
HEAT2D_API int heat2d_element_count(void);

/* A value of the problem: "width", "height", "notch_width", "notch_depth",
 * "conductivity", "convection_coeff", "heat_flux" or "ambient_temperature";
 * not-a-number, and a bad call, for any other name. */
HEAT2D_API double heat2d_parameter(const char* name);

/* "heat flux", "convection", or "" for any other kind. */
HEAT2D_API const char* heat2d_term_name(int kind);

/* The coordinates of the nodes, x1 y1 x2 y2 ...: 2 * 18 doubles. */
HEAT2D_API int heat2d_nodes(double* xy, int capacity);

/* The boundary table, a row of four ints a line: element, kind, and the local
 * nodes (1 to 3) of the side that carries the term. Returns the number of rows
 * (9), or HEAT2D_BAD_CALL when capacity (in ints) is too small. */
HEAT2D_API int heat2d_boundary_table(int* rows, int capacity);

/* The sides of the outline, walked with the region on the left, a row of four
 * ints a side: its nodes a and b in that direction, its part (0 to 5: the
 * bottom edge, the right edge, the top edge, the notch's wall, the notch's
 * floor, the symmetry line) and the kind of term it needs. Returns the number
 * of rows, or HEAT2D_BAD_CALL. */
HEAT2D_API int heat2d_outline_sides(int* rows, int capacity);

/* The name of a part with its line: "the top edge (y = 6)"; NULL, and a bad
 * call, for another part. Caller-owned. */
HEAT2D_API char* heat2d_outline_place(int part);

/* Reads elements.txt text as heat2d reads it: the first 60 numbers into
 * elements[0..59] (element e's nodes at 3 * (e - 1)), as read. When refused,
 * *message is heat2d's line without its prefix, naming the input as source
 * and each triple as word ("element" or "triangle"). */
HEAT2D_API int heat2d_read_elements(const char* text, size_t length, const char* source,
                                    const char* word, double* elements, int capacity,
                                    char** message);

/* For elements (60 node numbers, truncated as the assembly takes them), the
 * side that each row of the boundary table gives its term: kind, a, b (the
 * nodes at the table's first and second local node), three ints a row.
 * Returns the number of rows (9), or HEAT2D_BAD_CALL. */
HEAT2D_API int heat2d_boundary_sides(const double* elements, int count, int* sides, int capacity);

/* Judges a triangulation as heat2d does (table_order, the words "element")
 * or as a tool takes one in any order and orientation ("triangle"). On
 * HEAT2D_REFUSED, *lines holds the faults that are shown, each ended by a line
 * end. count is 60. */
HEAT2D_API int heat2d_judge(const double* elements, int count, int table_order, char** lines);

/* Numbers 20 triangles (60 node numbers, any order and orientation) for the
 * boundary table, as heat2d-elements does. HEAT2D_OK: elements[0..59] holds
 * elements.txt's numbers, and *lines the corner flips made when flip_corner is
 * set ("flipped side 12-18 to 13-17", a line each; "" when none).
 * HEAT2D_REFUSED: *lines holds the faults, each line ended. */
HEAT2D_API int heat2d_number(const int* triangles, int count, int flip_corner, int* elements,
                             int capacity, char** lines);

/* Flips the inner side a-b of 20 triangles (60 node numbers, any orientation):
 * HEAT2D_OK, with flipped[0..59] the triangles in the same places, its two
 * triangles replaced by the two across the other diagonal, each
 * counter-clockwise (the numbering for the table is heat2d_number's).
 * HEAT2D_REFUSED: *reason says why not (the side is not there, is on the
 * outline, or its triangles make a quadrilateral that is not convex). */
HEAT2D_API int heat2d_flip(const int* triangles, int count, int a, int b, int* flipped,
                           int capacity, char** reason);

/* One side of an element that carries a term. */
struct heat2d_term {
    int kind;
    int first, second; /* its local nodes, 1 to 3 */
    int a, b;          /* their node numbers: the rows of K and the entries of f */
    double length;
    double load;         /* what each of the two nodes gets in f */
    double matrix[3][3]; /* the convection edge matrix on the local nodes; 0 for heat flux */
};

/* One element's values as the assembly computes them. */
struct heat2d_element {
    int nodes[3]; /* node numbers: the rows and columns of K it goes to */
    double x[3], y[3];
    double area;             /* signed: positive counter-clockwise */
    double b[3], c[3];       /* shape coefficients */
    double conduction[3][3]; /* the conduction matrix */
    int term_count;          /* 0 to 2, in the order of the boundary table */
    struct heat2d_term terms[2];
    double matrix[3][3]; /* added into K: conduction plus any convection */
    double loads[3];     /* added into f */
};

/* The values of element e (1 to 20) of elements (60 node numbers). */
HEAT2D_API int heat2d_element(const double* elements, int count, int e,
                              struct heat2d_element* values);

#ifdef __cplusplus
}
#endif

#endif
