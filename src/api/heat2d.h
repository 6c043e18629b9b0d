/* heat2d's rules and solves for other programs, as the program has them.
 *
 * The conventions of every call:
 * - Status. A call that can fail returns one of the HEAT2D_ statuses below;
 *   what it computes comes back through its out-parameters.
 *     HEAT2D_OK         done;
 *     HEAT2D_REFUSED    the input is refused as heat2d refuses it: the text
 *                       handed out says why, a line each;
 *     HEAT2D_TOO_SMALL  an output buffer is too small: its count says how many
 *                       values it needs, and nothing else was written;
 *     HEAT2D_BAD_CALL   a fault of the caller (a null pointer, a count or a
 *                       number out of range, a result of another kind):
 *                       heat2d_error() says which, and nothing was written.
 * - Buffers. An output array is a pointer, its capacity in values and an
 *   int* count: after HEAT2D_OK, *count is the number of values written; after
 *   HEAT2D_TOO_SMALL, the number it needs. A null pointer with capacity 0 asks
 *   for the size alone.
 * - Node numbers are int everywhere, 1-based, and so are element numbers. A
 *   number of elements.txt with a fraction, which heat2d keeps as read (2.7),
 *   stands for the node that its truncation toward zero names (2), as the
 *   assembly takes it: heat2d_read_elements gives that node.
 * - Text. A const char* that a call gives is static: never freed, never
 *   changed. A char* handed out through a char** is built for the caller, who
 *   frees it with heat2d_free(): it comes only with HEAT2D_REFUSED, and is
 *   NULL after any other status.
 * - Errors. heat2d_error(): the reason of the calling thread's last bad call.
 * - Results of many arrays are handles, read one flat array at a time by its
 *   name (heat2d_result_ints, heat2d_result_doubles), freed by
 *   heat2d_result_free. Every heat2d_*_free (heat2d_free: text) ignores NULL.
 * - Versions. HEAT2D_INTERFACE changes whenever a call or its meaning does: a
 *   binding checks heat2d_version(), and refuses another interface.
 * - Hints. What a rule suggests (the flips that mend a corner) comes as data,
 *   which each front end words in its own way. */
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

#define HEAT2D_INTERFACE 11

/* The bounds of the problem's numbers, of the levels and of the error. */
#include "heat2d_limits.h"

enum { HEAT2D_OK = 0, HEAT2D_REFUSED = 1, HEAT2D_TOO_SMALL = 2, HEAT2D_BAD_CALL = -1 };

/* What a line of a fault names: element a (line a of elements.txt), side
 * a-b, node a (row a of K), or the count a of faults that the line stands for
 * ("and 8 more ..."). A run of the program in a browser hands them to the
 * page as it writes each line: the module's onNames(line, [kind, a, b, ...]). */
#define HEAT2D_NAMES_ELEMENT 1
#define HEAT2D_NAMES_SIDE 2
#define HEAT2D_NAMES_NODE 3
#define HEAT2D_NAMES_FAULTS 4

enum { HEAT2D_NO_TERM = 0, HEAT2D_HEAT_FLUX = 1, HEAT2D_CONVECTION = 2 }; /* kinds of term */

/* The release ("1.4.0") and the interface (HEAT2D_INTERFACE) of the library. */
HEAT2D_API int heat2d_version(const char** release, int* interface_number);

/* Why the calling thread's last call was a bad one ("" after a good one). */
HEAT2D_API const char* heat2d_error(void);
HEAT2D_API void heat2d_free(char* text);

/* A count of the problem: "nodes" (18), "elements" (20) or "values" (8: the
 * four values and the plate's four dimensions). */
HEAT2D_API int heat2d_count(const char* name, int* value);

/* The number of a constant above by its name in lower case without HEAT2D_:
 * "ok", "refused", "too_small", "bad_call", "no_term", "heat_flux",
 * "convection", "names_element" (to "names_faults"), "last_level", and
 * "first_dimension" (the index of the width in heat2d_value_name). A call that
 * answers returns "ok": a binding asks it first, checked by that return. */
HEAT2D_API int heat2d_code(const char* name, int* value);

/* A node that the rules name: "notch_corner" (6, where the field is
 * singular), "notch_top" (8, the top of the notch's wall, the design's
 * hottest) or "top_right" (18, where the convection meets the heat flux). */
HEAT2D_API int heat2d_node(const char* name, int* node);

/* A value of the problem: "width", "height", "notch_width", "notch_depth",
 * "conductivity", "convection_coeff", "heat_flux" or "ambient_temperature". */
HEAT2D_API int heat2d_parameter(const char* name, double* value);

/* A kind's name: "heat flux", "convection", or "" for HEAT2D_NO_TERM. */
HEAT2D_API int heat2d_term_name(int kind, const char** name);

/* The problem's eight numbers to compute with, made with the design's:
 * "conductivity" (k), "heat_flux" (q, into the top and the notch),
 * "convection_coeff" (h) and "ambient_temperature" (T of the air), then the
 * plate's "width", "height", "notch_width" and "notch_depth", each in its
 * closed range above; NULL for the design's. heat2d_values_set:
 * HEAT2D_REFUSED, the value kept, with *why naming the range. The plate as a
 * whole is judged by the calls that compute on it (HEAT2D_REFUSED with its
 * line, or a bad call where there is no text out). */
typedef struct heat2d_values heat2d_values;
HEAT2D_API int heat2d_values_new(heat2d_values** values);
HEAT2D_API int heat2d_values_set(heat2d_values* values, const char* name, double value, char** why);
HEAT2D_API int heat2d_values_get(const heat2d_values* values, const char* name, double* value);
HEAT2D_API void heat2d_values_free(heat2d_values* values);

/* The closed range of a value named as above, or of "error" (what adaptive
 * refinement may be asked for); value index's (0 to 7) name and option; text
 * read as heat2d reads an option's number (HEAT2D_REFUSED: it is not one). */
HEAT2D_API int heat2d_value_range(const char* name, double* least, double* most);
HEAT2D_API int heat2d_value_name(int index, const char** name, const char** option);
HEAT2D_API int heat2d_read_number(const char* text, double* value);

/* The coordinates of the nodes of the plate of values (NULL: the design's),
 * x1 y1 x2 y2 ...: 2 * 18 doubles. */
HEAT2D_API int heat2d_nodes(const heat2d_values* values, double* xy, int capacity, int* count);

/* The boundary table, a row of four ints a line: element, kind, and the local
 * nodes (1 to 3) of the side that carries the term. */
HEAT2D_API int heat2d_boundary_table(int* rows, int capacity, int* count);

/* The sides of the outline of the plate of values (NULL: the design's),
 * walked with the region on the left from node 1, a row of four ints a side:
 * its nodes a and b in that direction, its part (0 to 5: the bottom edge, the
 * right edge, the top edge, the notch's wall, the notch's floor, the symmetry
 * line) and the kind of term it needs. */
HEAT2D_API int heat2d_outline_sides(const heat2d_values* values, int* rows, int capacity,
                                    int* count);

/* The name of a part with its line on the plate of values: "the top edge
 * (y = 6)". For NULL (the design's plate) the text is static; for a handle it
 * is the handle's, kept until the same part is asked again or it is freed. */
HEAT2D_API int heat2d_outline_place(heat2d_values* values, int part, const char** place);

/* Reads elements.txt text as heat2d reads it: the nodes of its first 60
 * numbers into elements[0..59] (element e's nodes at 3 * (e - 1)). When
 * refused, *message is heat2d's line without its prefix, naming the input as
 * source and each triple as word ("element" or "triangle"). */
HEAT2D_API int heat2d_read_elements(const char* text, size_t length, const char* source,
                                    const char* word, int* elements, int capacity, int* count,
                                    char** message);

/* For elements (60 node numbers), the side that each row of the boundary
 * table gives its term: kind, a, b (the nodes at the row's first and second
 * local node), three ints a row. */
HEAT2D_API int heat2d_boundary_sides(const int* elements, int count, int* sides, int capacity,
                                     int* written);

/* Judges a triangulation (60 node numbers) over the plate of values as heat2d
 * does (table_order, the word "element") or as a tool takes one in any order
 * and orientation ("triangle"). HEAT2D_REFUSED: *lines holds the faults that
 * are shown, each ended by a line end (or the plate's one line). */
HEAT2D_API int heat2d_judge(const int* elements, int count, const heat2d_values* values,
                            int table_order, char** lines);

/* Numbers 20 triangles (60 node numbers, any order and orientation) of the
 * plate of values for the boundary table, as heat2d-elements does.
 * HEAT2D_OK: elements holds elements.txt's 60 numbers, and flips the corner
 * flips made when flip_corner is set, four ints a flip: side a-b became c-d.
 * HEAT2D_REFUSED: *lines holds the faults, each ended by a line end. When the
 * only faults are corners that flips would mend, flips holds those flips
 * (otherwise none): heat2d_number_triangles with flip_corner makes them. */
HEAT2D_API int heat2d_number_triangles(const int* triangles, int count, const heat2d_values* values,
                                       int flip_corner, int* elements, int capacity, int* written,
                                       int* flips, int flip_capacity, int* flip_count,
                                       char** lines);

/* The corners where the boundary table's slots fit only so many triangles
 * (the data of the numbering's corner faults), with how many of the triangles
 * (60 node numbers) meet at each: four ints a corner, the node, its
 * triangles, and the least and most the table takes. */
HEAT2D_API int heat2d_corner_counts(const int* triangles, int count, int* corners, int capacity,
                                    int* written);

/* Flips the inner side a-b of 20 triangles (60 node numbers, any orientation)
 * of the plate of values, whose nodes decide the convexity.
 * HEAT2D_OK: flipped holds the triangles in the same places, its two
 * triangles replaced by the two across the other diagonal, each
 * counter-clockwise (the numbering for the table is heat2d_number_triangles').
 * HEAT2D_REFUSED: *reason says why not (the side is not there, is on the
 * outline, or its triangles make a quadrilateral that is not convex). */
HEAT2D_API int heat2d_flip_side(const int* triangles, int count, const heat2d_values* values, int a,
                                int b, int* flipped, int capacity, int* written, char** reason);

/* A result, read by name one flat array at a time. */
typedef struct heat2d_result heat2d_result;

HEAT2D_API int heat2d_result_ints(const heat2d_result* result, const char* name, int* values,
                                  int capacity, int* count);
HEAT2D_API int heat2d_result_doubles(const heat2d_result* result, const char* name, double* values,
                                     int capacity, int* count);
HEAT2D_API void heat2d_result_free(heat2d_result* result);

/* The values of element e (1 to 20) of elements (60 node numbers) as the
 * assembly computes them, as a result (matrices row by row, terms in the
 * order of the boundary table):
 *   ints    "nodes" (3: the rows and columns of K it goes to), "term_kinds"
 *           (one a term), "term_sides" (its local nodes, 2 a term),
 *           "term_nodes" (their node numbers, 2 a term);
 *   doubles "x", "y" (3), "area" (1, signed: positive counter-clockwise),
 *           "b", "c" (3: shape coefficients), "conduction" (9),
 *           "term_lengths", "term_loads" (what each of its two nodes gets in
 *           f: one a term), "term_matrices" (9 a term: the convection edge
 *           matrix on the local nodes, 0 for heat flux), "matrix" (9: added
 *           into K), "loads" (3: added into f). */
HEAT2D_API int heat2d_element(const int* elements, int count, int e, const heat2d_values* values,
                              heat2d_result** result);

/* heat2d's own problem on elements (60 node numbers, as heat2d takes them),
 * judged and solved in memory, as a result:
 *   doubles "K" (18 x 18, row by row) and "f" (18), added element by element
 *           in element order as the program adds them (its K.txt and f.txt
 *           are these to six digits), "temperatures" (18: K T = f, solved by
 *           Cholesky's factors), and one value each: "heat_in" (through the
 *           flux sides), "heat_out" (through the convection sides);
 *   ints    "named" (none).
 * HEAT2D_REFUSED: *lines holds the faults heat2d shows, and *result their
 * "named" alone: four ints a thing a line names, the line (0 first), the
 * kind (HEAT2D_NAMES_*), a and b. */
HEAT2D_API int heat2d_solve(const int* elements, int count, const heat2d_values* values,
                            heat2d_result** result, char** lines);

/* The same problem on finer meshes: elements (60 node numbers) split level by
 * level, each triangle into four, one level a call. HEAT2D_REFUSED: *lines
 * holds the faults of the triangulation, as heat2d names them. */
typedef struct heat2d_refinement heat2d_refinement;
HEAT2D_API int heat2d_refine(const int* elements, int count, const heat2d_values* values,
                             heat2d_refinement** run, char** lines);

/* Solves the next level (0 first) and gives it as a result:
 *   doubles "nodes" (x y a node: heat2d's 18 first), "temperatures" (one a
 *           node), and one value each: "hottest" (the hottest temperature),
 *           "change" (the largest at the 18 nodes from the level before),
 *           "heat_in", "heat_out", "residual" (relative), "seconds";
 *           "backward_error" (one value where rounding kept the residual above
 *           1e-10 and the solve was taken at |f - K T| / (|K| |T| + |f|)
 *           of rounding's level; none otherwise); and
 *           "error_left" and "orders" (one each of the 18 nodes from level 2
 *           on, none before), "below" (the level below's field at this
 *           level's nodes, its midpoints the mean of their side's ends: T
 *           minus it is the change a level made; none at level 0);
 *   ints    "triangles" (3 node numbers a triangle, counter-clockwise),
 *           "observed" (from level 2 on: 1 where the order is observed, 0
 *           where 4/3 is assumed), and one value each: "level",
 *           "triangles_count", "nodes_count", "hottest_node", "iterations".
 * HEAT2D_REFUSED: *lines says why not, as heat2d --refine words it: the level
 * needs more memory than is available ("level 9 needs about 2600 MB, more
 * than the 2000 MB available", megabytes of 2^20 bytes), did not converge,
 * or is past the last (HEAT2D_LAST_LEVEL). */
HEAT2D_API int heat2d_refine_next(heat2d_refinement* run, heat2d_result** level, char** lines);

/* The bytes that a level (0 to HEAT2D_LAST_LEVEL) takes at its peak. */
HEAT2D_API int heat2d_refine_memory(int level, double* bytes);
HEAT2D_API void heat2d_refine_free(heat2d_refinement* run);

/* Adaptive refinement of elements (60 node numbers): each step solves its
 * mesh, indicates each triangle's error and marks those that carry half of it
 * for the next step to bisect. HEAT2D_REFUSED as heat2d_refine. */
typedef struct heat2d_adaptation heat2d_adaptation;
HEAT2D_API int heat2d_adapt(const int* elements, int count, const heat2d_values* values,
                            heat2d_adaptation** run, char** lines);

/* Solves the next step (0 first) and gives it as a result:
 *   doubles "nodes" (x y a node: heat2d's 18 first), "temperatures" (one a
 *           node), "indicators" (the error indicator of each triangle),
 *           "answer", "error_left" (the answer's, estimated) and "orders"
 *           (one each of the 18 nodes; error_left none at step 0), and one
 *           value each: "smallest_side_at_node_6", "eta" (the total
 *           indicator), "hottest", "node_8" (its temperature), "change",
 *           "heat_in", "heat_out", "residual", "error" (the largest error
 *           left; 0 at step 0, which has none, and where the field is exact:
 *           no triangle or side has any residual), "seconds";
 *           "backward_error" (as a level's, the larger of the step's solves);
 *   ints    "triangles" (3 node numbers a triangle, counter-clockwise),
 *           "marked" (1 or 0 a triangle: bisected by the next step), and one
 *           value each: "step", "triangles_count", "nodes_count",
 *           "hottest_node", "iterations".
 * HEAT2D_REFUSED: *lines says why not, as heat2d --adapt words it: the step
 * needs more memory than is available, did not converge, or the steps
 * stalled at the step before (heat2d --adapt ends there, unless that step's
 * error is the one asked). */
HEAT2D_API int heat2d_adapt_next(heat2d_adaptation* run, heat2d_result** step, char** lines);

/* How a step's answer and its error left are obtained, in words. */
HEAT2D_API int heat2d_adapt_estimated_by(const char** how);

HEAT2D_API void heat2d_adapt_free(heat2d_adaptation* run);

#ifdef __cplusplus
}
#endif

#endif
