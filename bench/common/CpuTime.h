#pragma once

// Processor time this process has used so far, all its threads (a driver's
// included), in milliseconds. The benchmarks report it beside or instead of wall
// time because the machines they run on are shared: it leaves out the time spent
// waiting for a core.
double cpuMs();
