// Solution of the assembled system by Cholesky factorisation, and its report.
#pragma once

// Solves K x = f for the 18 nodal values: factors K = L L^T (reading only the
// lower triangle and the diagonal of K[1..18][1..18]), solves L z = f, then
// L^T x = z. Prints "x[i]_=value" for i = 1..18 on standard output and writes
// "i value" lines to write_.txt. On return K is unchanged and f[1..18] holds z.
// A pivot that is not positive (K not positive definite) is reported on
// stderr, naming its row, after the outputs, and fails the run.
void solve_cholesky(double** K, double* f);
