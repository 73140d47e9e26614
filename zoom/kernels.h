// The one-dimensional kernels of the filter table, exposed so that tests can
// probe their values at the breakpoints. Each takes x in kernel units (before
// any scaling) and the kernel's parameter block, or null when it has none.
#pragma once

double kernel_point(double x, const void* params);
double kernel_triangle(double x, const void* params);
double kernel_quadratic(double x, const void* params);
double kernel_cubic(double x, const void* params);
double kernel_catrom(double x, const void* params);
double kernel_mitchell(double x, const void* params);  // params: MitchellParams
double kernel_gaussian(double x, const void* params);
double kernel_sinc(double x, const void* params);
double kernel_bessel(double x, const void* params);
double kernel_hanning(double x, const void* params);
double kernel_hamming(double x, const void* params);
double kernel_blackman(double x, const void* params);
double kernel_kaiser(double x, const void* params);  // params: KaiserParams
