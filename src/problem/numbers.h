// How the program prints a number: in the stream's default formatting, and a
// not-a-number as "-nan" whatever its sign bit. The sign of a NaN is not kept
// alike by every processor and WebAssembly engine, and the formatting
// follows it, so "nan" and "-nan" would otherwise tell apart runs that are
// the same.
#pragma once

// From now on every stream prints a NaN as "-nan": the standard streams, and
// every stream made afterwards (the global locale). Called first.
void print_nan_one_way();
