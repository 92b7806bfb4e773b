#pragma once

// Thrown by the option parser where the run ends with the text it printed
// (help, usage, a refused option); the driver's first step turns it into a
// status, so nothing after parsing throws it and nothing calls exit().
struct RunStop {
    int status;
};
