// The 8 x 8 quadwords of a turned across, for the vector loops whose vectors hold eight
// quadwords: included by a kernel file (once for each instruction set that has them) where VQ is
// that vector. No include guard: each inclusion stands in a namespace of its own.

// q[i] lane r is a[r] lane i (the turn is its own inverse).
inline void TurnEightQuadwords(const VQ* a, VQ* q)
{
    VQ t[8], u[8];
    for (int r = 0; r < 8; r += 2)
    {
        t[r] = __builtin_shufflevector(a[r], a[r + 1], 0, 8, 2, 10, 4, 12, 6, 14);
        t[r + 1] = __builtin_shufflevector(a[r], a[r + 1], 1, 9, 3, 11, 5, 13, 7, 15);
    }
    for (int r = 0; r < 8; r += 4)
    {
        u[r] = __builtin_shufflevector(t[r], t[r + 2], 0, 1, 8, 9, 4, 5, 12, 13);           // 0 and 4
        u[r + 1] = __builtin_shufflevector(t[r], t[r + 2], 2, 3, 10, 11, 6, 7, 14, 15);     // 2 and 6
        u[r + 2] = __builtin_shufflevector(t[r + 1], t[r + 3], 0, 1, 8, 9, 4, 5, 12, 13);   // 1 and 5
        u[r + 3] = __builtin_shufflevector(t[r + 1], t[r + 3], 2, 3, 10, 11, 6, 7, 14, 15); // 3 and 7
    }
    q[0] = __builtin_shufflevector(u[0], u[4], 0, 1, 2, 3, 8, 9, 10, 11);
    q[4] = __builtin_shufflevector(u[0], u[4], 4, 5, 6, 7, 12, 13, 14, 15);
    q[2] = __builtin_shufflevector(u[1], u[5], 0, 1, 2, 3, 8, 9, 10, 11);
    q[6] = __builtin_shufflevector(u[1], u[5], 4, 5, 6, 7, 12, 13, 14, 15);
    q[1] = __builtin_shufflevector(u[2], u[6], 0, 1, 2, 3, 8, 9, 10, 11);
    q[5] = __builtin_shufflevector(u[2], u[6], 4, 5, 6, 7, 12, 13, 14, 15);
    q[3] = __builtin_shufflevector(u[3], u[7], 0, 1, 2, 3, 8, 9, 10, 11);
    q[7] = __builtin_shufflevector(u[3], u[7], 4, 5, 6, 7, 12, 13, 14, 15);
}
