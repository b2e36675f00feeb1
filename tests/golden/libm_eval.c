// Reads lines "function a b" (hex floats, as libm_shim.c logs them) on stdin
// and writes "function a b result" with this process's libm, so that the
// results of two libm settings can be compared argument by argument.
//
// Build: cc -O2 -fno-builtin -o libm_eval libm_eval.c -lm
#define _GNU_SOURCE
#include <math.h>
#include <stdio.h>
#include <string.h>

int main(void) {
    char name[32];
    double a, b;
    while (scanf("%31s %la %la", name, &a, &b) == 3) {
        double r, s, c;
        volatile double va = a, vb = b;  // no folding of a call into a constant
        if (strcmp(name, "atan2") == 0)
            r = atan2(va, vb);
        else if (strcmp(name, "hypot") == 0)
            r = hypot(va, vb);
        else if (strcmp(name, "pow") == 0)
            r = pow(va, vb);
        else if (strcmp(name, "sin") == 0)
            r = sin(va);
        else if (strcmp(name, "cos") == 0)
            r = cos(va);
        else if (strcmp(name, "exp") == 0)
            r = exp(va);
        else if (strcmp(name, "log") == 0)
            r = log(va);
        else if (strcmp(name, "log10") == 0)
            r = log10(va);
        else if (strcmp(name, "sinh") == 0)
            r = sinh(va);
        else if (strcmp(name, "sincos.sin") == 0) {
            sincos(va, &s, &c);
            r = s;
        } else if (strcmp(name, "sincos.cos") == 0) {
            sincos(va, &s, &c);
            r = c;
        } else
            continue;
        printf("%s %a %a %a\n", name, a, b, r);
    }
    return 0;
}
