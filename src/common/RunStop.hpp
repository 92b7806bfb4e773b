#pragma once

// Thrown where the run cannot go on after its message has been printed.
// The program entry catches it and ends the process with `status`, so library
// code never calls exit() and stays testable.
struct RunStop {
    int status;
};
