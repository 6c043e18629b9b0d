/* The bounds of heat2d's numbers, part of heat2d.h: what a level, an error,
 * a value and a dimension of the plate may be. */
#ifndef HEAT2D_LIMITS_H
#define HEAT2D_LIMITS_H

/* The last uniform level of heat2d_refine, and the bounds of the error that
 * heat2d --adapt takes. */
#define HEAT2D_LAST_LEVEL 12
#define HEAT2D_LEAST_ERROR 1e-6
#define HEAT2D_MOST_ERROR 1.0

/* The closed ranges of the problem's four values (see heat2d_values). */
#define HEAT2D_LEAST_CONDUCTIVITY 1e-3
#define HEAT2D_MOST_CONDUCTIVITY 1e6
#define HEAT2D_LEAST_HEAT_FLUX -1e5
#define HEAT2D_MOST_HEAT_FLUX 1e5
#define HEAT2D_LEAST_CONVECTION 1e-3
#define HEAT2D_MOST_CONVECTION 1e6
#define HEAT2D_LEAST_AMBIENT -1e3
#define HEAT2D_MOST_AMBIENT 1e3

/* The plate's four dimensions (width, height, notch_width, notch_depth), each
 * in the closed range below, in the length unit of the values (the design's
 * plate is 9 x 6). A plate is judged whole when a call computes on it, never
 * when one number is set: the notch inside the plate (notch_width < width,
 * notch_depth < height), and the grid's four spacings (half the notch's
 * width, a quarter of the width beside the notch, half the height below it,
 * half its depth) at most HEAT2D_MOST_SPACING_RATIO times one another. The
 * grid's triangles are halves of rectangles of two spacings, so that bound
 * keeps their smallest angle above atan(1/100), half a degree, where the
 * shipped triangulation's is atan(1/1.5), 33.7 degrees. */
#define HEAT2D_LEAST_LENGTH 1e-3
#define HEAT2D_MOST_LENGTH 1e3
#define HEAT2D_MOST_SPACING_RATIO 100

#endif
