// cpu: what the processor the program runs on can do, asked once a process.
//
// The hot loops of the block search, the resampler and the palette search come
// twice: the plain loop is the definition, and a wide one repeats its
// arithmetic lane by lane with 256-bit vectors. The libraries are built for
// the plain instruction set (no -march), so the wide loops carry their own
// target attribute and may run only where the processor has it. Every one of
// them asks here, so that one process chooses the same way in every library.
#pragma once

// True where the processor runs AVX2 (four doubles or 32 bytes a step);
// false off x86-64. Asked once, then remembered; any thread may call it.
bool cpu_has_avx2();
