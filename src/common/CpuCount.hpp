#pragma once

// The number of cores this process may use: the CPUs of its affinity mask,
// further limited by a cgroup CPU quota (v2 cpu.max, or v1 cfs quota and
// period), rounded up. At least 1.
int usableCores();

// The quota in cores (rounded up) that a cgroup v2 "cpu.max" text allows, or
// 0 when it sets none ("max" or unreadable).
int coresOfCpuMax(const char* text);
