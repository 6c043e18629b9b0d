#include "problem/driver.h"

#include "assembly/assembly.h"
#include "assembly/triangulation.h"
#include "mesh/connectivity.h"
#include "mesh/mesh.h"
#include "platform/process.h"
#include "problem/plate.h"
#include "problem/problem.h"
#include "problem/status.h"
#include "solver/cholesky.h"

int run_program(const problem_values& values) {
    const plate problem(values);
    prepare_process();
    allocate_storage();
    generate_mesh(nodes, problem.values());
    try {
        read_elements(elements);
        check_triangulation(elements, problem);
        assemble_system(elements, nodes, problem.values(), local_stiffness, convection_matrix, K,
                        element_matrix);
        solve_cholesky(K, f);
        write_values(values);
    } catch (const input_error& error) {
        report_failure(error.what(), error.named_things());
    }
    wait_for_key();
    finish_console();
    return run_status();
}
