// Stand-in for the kernel's result codes, with the platform's names and values.
#pragma once

typedef int kern_return_t;

#define KERN_SUCCESS 0
#define KERN_INVALID_ARGUMENT 4
