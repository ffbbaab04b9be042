/* sunwick: the entries of U*V' at the positions of a compressed-column
 * pattern, without forming the product.
 *
 *   x = sunwick(U, V, I, Jcol)
 *
 *   U      m-by-k dense double
 *   V      n-by-k dense double
 *   I      1-based row of each sampled position, column after column (a row
 *          or column vector of nnz doubles)
 *   Jcol   0-based column pointers into I (ncols+1 doubles): the positions of
 *          pattern column j are Jcol(j+1) .. Jcol(j+2)-1, and pattern column j
 *          pairs with row j+1 of V
 *   x      nnz-by-1: x(p) = U(I(p),:) * V(j,:)' for the column j holding p;
 *          0 where no column holds p.  Every entry is the plain sum over
 *          d = 1..k in that order, starting from +0, with no fused
 *          multiply-add, so results are reproducible to the last bit.
 *
 * Indices are truncated toward zero (I after subtracting 1); a column
 * whose pointers do not rise is empty wherever they lie.  All counts are
 * 32-bit.  Messages:
 *   "Tessmark: requires 4 inputs"
 *   "Tessmark: requires 1 output"
 *   "Tessmark: U must be dense"
 *   "Tessmark: U,V not compatible"
 *   "Tessmark: V must be dense"
 *   "Tessmark: U and V must be double"
 *   "Tessmark: I and Jcol must be dense double vectors"
 *   "Tessmark: dimensions too large"
 *   "Tessmark: more pattern columns than rows of V"
 *   "Tessmark: column pointer out of range"
 *   "Tessmark: row index out of range"
 */
#include "lowrank_mex.h"

typedef int32_t Count;
static const double countLimit = 2147483648.0; /* 2^31 */

/* A host dimension as a 32-bit count, or -1 when it does not fit. */
static Count narrowed(HostSize size)
{
    return size < (HostSize)countLimit ? (Count)size : -1;
}

/* The 0-based row of a 1-based index, or reports it when outside 0..m-1. */
static inline Count rowOf(double index, Count m)
{
    const double row = index - 1.0;
    if (!truncatesBelow(row, m))
        reportError("sunwick:rowOutOfRange", "Tessmark: row index out of range");
    return (Count)row;
}

/* A column pointer truncated toward zero, or reports it when that cannot be
 * formed: NaN, or a number outside the 32-bit range. */
static inline Count pointerOf(double pointer)
{
    if (!truncatesToInt32(pointer))
        reportError("sunwick:pointerOutOfRange", "Tessmark: column pointer out of range");
    return (Count)pointer;
}

/* The start of the step after the one at i, eight wide or what is left
 * below end: a counter stepped by it never passes end, so none wraps even
 * when end is 2^31 - 1. */
static inline Count nextStep(Count i, Count end)
{
    return end - i > 8 ? i + 8 : end;
}

/* Asks the memory system for the row of Ut that a 1-based index names, well
 * before it is summed; an invalid index is left to the check that reports
 * it when its position is reached. */
static inline void prefetchRow(const double *Ut, double index, Count m, Count k)
{
    const double row = index - 1.0;
    if (truncatesBelow(row, m)) {
        const double *first = Ut + (size_t)(Count)row * k;
        for (Count d = 0; d < k; d = nextStep(d, k))
            __builtin_prefetch(first + d);
    }
}

/* The 0-based row that position p + ahead names, or 0 when there is no
 * such position or its index is invalid (which is left to the check that
 * reports it when its position is reached). */
static inline Count rowAhead(const double *I, Count p, Count ahead, Count readable, Count m)
{
    const double row = ahead < readable - p ? I[p + ahead] - 1.0 : 0.0;
    return truncatesBelow(row, m) ? (Count)row : 0;
}

/* How many positions ahead of the sums the rows are fetched; counted from
 * the current position, so that no sum of positions can overflow. */
enum { prefetchDistance = 16 };

/* The same, in positions, for the vector kernels, which step eight
 * positions at a time: one step ahead once rows are longer than 64
 * elements (512 bytes), where two steps ask for more lines at once than
 * the memory system serves without delay. */
static inline Count aheadOfSteps(Count k)
{
    return k > 64 ? 8 : prefetchDistance;
}

/* Asks for the lines of I and of the result that hold position p + 128, a
 * kilobyte on: the memory system's own detection of these two streams
 * falls behind while the requests for rows keep it busy. */
static inline void askForStreams(const double *I, const double *result, Count p)
{
    askForLineAhead(I + p, 1024);
    askForLineAhead(result + p, 1024);
}

/* One position's entry: its k products added in order from +0. */
static inline double entryOf(const double *Vrow, const double *u, Count k)
{
    double s = 0.0;
    for (Count d = 0; d < k; ++d)
        s = s + Vrow[d] * u[d];
    return s;
}

/* The entries of one pattern column: positions start..end-1, each the
 * sequential dot product of Vrow with its row of Ut.  Four positions run
 * side by side so that their four independent sums overlap in the
 * floating-point pipeline; each sum still adds its k products in order. */
static void sampleColumn(double *result, const double *I, Count start, Count end, Count readable,
                         const double *Ut, const double *Vrow, Count m, Count k)
{
    Count p = start;
    for (; end - p >= 4; p += 4) {
        askForStreams(I, result, p);
        for (Count ahead = prefetchDistance; ahead < prefetchDistance + 4 && ahead < readable - p; ++ahead)
            prefetchRow(Ut, I[p + ahead], m, k);
        const double *u0 = Ut + (size_t)rowOf(I[p], m) * k;
        const double *u1 = Ut + (size_t)rowOf(I[p + 1], m) * k;
        const double *u2 = Ut + (size_t)rowOf(I[p + 2], m) * k;
        const double *u3 = Ut + (size_t)rowOf(I[p + 3], m) * k;
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
        for (Count d = 0; d < k; ++d) {
            const double v = Vrow[d];
            s0 = s0 + v * u0[d];
            s1 = s1 + v * u1[d];
            s2 = s2 + v * u2[d];
            s3 = s3 + v * u3[d];
        }
        result[p] = s0;
        result[p + 1] = s1;
        result[p + 2] = s2;
        result[p + 3] = s3;
    }
    for (; p < end; ++p)
        result[p] = entryOf(Vrow, Ut + (size_t)rowOf(I[p], m) * k, k);
}

/* An AVX2 path chosen at run time on x86 processors that have it.  Not on
 * Windows, where the compiler does not align the stack for AVX spills, and
 * not in the build that tests the straightforward kernel against it. */
#if (defined(__x86_64__) || defined(__i386__)) && !defined(_WIN32) && !defined(SUNWICK_PORTABLE)
#define SUNWICK_AVX2 1
#include <cpuid.h>
#include <immintrin.h>

/* Whether this processor and its operating system run AVX2 code. */
static bool hasAvx2(void)
{
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX))
        return false;
    unsigned low, high;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    if ((low & 6) != 6) /* the OS saves the SSE and AVX registers */
        return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2);
}

/* The 0-based rows that eight 1-based indices name, or false when one of
 * them is outside 0..m-1 (those rows are then 0). */
__attribute__((target("avx2"), always_inline)) static inline bool rowsOfEight(const double *I, Count m,
                                                                            Count rows[8])
{
    const __m256d one = _mm256_set1_pd(1.0), below = _mm256_set1_pd(-1.0), limit = _mm256_set1_pd((double)m);
    int valid = 0;
    for (int half = 0; half < 2; ++half) {
        const __m256d row = _mm256_sub_pd(_mm256_loadu_pd(I + 4 * half), one);
        const __m256d inside =
            _mm256_and_pd(_mm256_cmp_pd(row, below, _CMP_GT_OQ), _mm256_cmp_pd(row, limit, _CMP_LT_OQ));
        valid |= _mm256_movemask_pd(inside) << (4 * half);
        _mm_storeu_si128((__m128i *)(rows + 4 * half), _mm256_cvttpd_epi32(_mm256_and_pd(inside, row)));
    }
    return valid == 0xff && m > 0;
}

/* The rows of a step's positions p .. p+width-1, where width is up to
 * eight positions before end and is returned, checked (the lanes past
 * width take the first one's row, and are not stored); and the eight rows
 * distance positions on, whose first lines are asked for at once.
 * Eight indices are converted and checked together; when one is bad, a
 * check one at a time reports the first. */
__attribute__((target("avx2"), always_inline)) static inline Count
rowsOfStep(const double *I, Count p, Count end, Count readable, Count distance, const double *Ut, Count m,
           Count k, const double *u[8], const double *next[8])
{
    const Count width = end - p < 8 ? end - p : 8;
    Count here[8], there[8];
    if (width < 8 || !rowsOfEight(I + p, m, here))
        for (int t = 0; t < 8; ++t)
            here[t] = t < width ? rowOf(I[p + t], m) : here[0];
    if (readable - p - distance < 8 || !rowsOfEight(I + p + distance, m, there))
        for (int t = 0; t < 8; ++t)
            there[t] = rowAhead(I, p, distance + t, readable, m);
    for (int t = 0; t < 8; ++t) {
        next[t] = Ut + (size_t)there[t] * k;
        __builtin_prefetch(next[t]);
    }
    for (int t = 0; t < 8; ++t)
        u[t] = Ut + (size_t)here[t] * k;
    return width;
}

/* Line d of each of the eight rows ahead, asked for as line d of the
 * current rows is read, so that the requests do not all wait for the
 * memory system at once; their first lines were asked for already. */
__attribute__((target("avx2"), always_inline)) static inline void askForLines(const double *const next[8],
                                                                            Count d)
{
    if (d > 0)
        for (int t = 0; t < 8; ++t)
            __builtin_prefetch(next[t] + d);
}

/* sampleColumn with AVX2: eight positions at once, one lane per position,
 * so every lane still adds its k products in order from +0 with a
 * separate multiply and add.  Four rows at a time are read four doubles
 * wide and transposed in registers, so that lane t of each vector belongs
 * to position t.  The eight rows aheadOfSteps(k) positions on are asked
 * for a line at a time, as the same line of the current rows is read. */
__attribute__((target("avx2"))) static void sampleColumnAvx2(double *result, const double *I, Count start,
                                                             Count end, Count readable, const double *Ut,
                                                             const double *Vrow, Count m, Count k)
{
    const Count distance = aheadOfSteps(k);
    for (Count p = start; p < end; p = nextStep(p, end)) {
        const double *next[8], *u[8];
        const Count width = rowsOfStep(I, p, end, readable, distance, Ut, m, k, u, next);
        askForStreams(I, result, p);
        __m256d low = _mm256_setzero_pd(), high = _mm256_setzero_pd();
        Count d = 0;
        for (; k - d >= 4; d += 4) {
            if (d % 8 == 0)
                askForLines(next, d);
            __m256d columns[2][4];
            for (int half = 0; half < 2; ++half) {
                const double *const *rows = u + 4 * half;
                const __m256d r0 = _mm256_loadu_pd(rows[0] + d), r1 = _mm256_loadu_pd(rows[1] + d);
                const __m256d r2 = _mm256_loadu_pd(rows[2] + d), r3 = _mm256_loadu_pd(rows[3] + d);
                const __m256d t0 = _mm256_unpacklo_pd(r0, r1), t1 = _mm256_unpackhi_pd(r0, r1);
                const __m256d t2 = _mm256_unpacklo_pd(r2, r3), t3 = _mm256_unpackhi_pd(r2, r3);
                columns[half][0] = _mm256_permute2f128_pd(t0, t2, 0x20);
                columns[half][1] = _mm256_permute2f128_pd(t1, t3, 0x20);
                columns[half][2] = _mm256_permute2f128_pd(t0, t2, 0x31);
                columns[half][3] = _mm256_permute2f128_pd(t1, t3, 0x31);
            }
            for (int step = 0; step < 4; ++step) {
                const __m256d v = _mm256_broadcast_sd(Vrow + d + step);
                low = _mm256_add_pd(low, _mm256_mul_pd(v, columns[0][step]));
                high = _mm256_add_pd(high, _mm256_mul_pd(v, columns[1][step]));
            }
        }
        for (; d < k; ++d) {
            const __m256d v = _mm256_broadcast_sd(Vrow + d);
            low = _mm256_add_pd(low, _mm256_mul_pd(v, _mm256_set_pd(u[3][d], u[2][d], u[1][d], u[0][d])));
            high = _mm256_add_pd(high, _mm256_mul_pd(v, _mm256_set_pd(u[7][d], u[6][d], u[5][d], u[4][d])));
        }
        if (width == 8) {
            _mm256_storeu_pd(result + p, low);
            _mm256_storeu_pd(result + p + 4, high);
        } else {
            const __m256i lane = _mm256_set_epi64x(3, 2, 1, 0);
            _mm256_maskstore_pd(result + p, _mm256_cmpgt_epi64(_mm256_set1_epi64x(width), lane), low);
            _mm256_maskstore_pd(result + p + 4, _mm256_cmpgt_epi64(_mm256_set1_epi64x(width - 4), lane), high);
        }
    }
}

/* An AVX-512 path as well on 64-bit processors that have it: eight
 * doubles of eight rows become eight columns through loads that put rows
 * side by side and two rounds of shuffles. */
#if defined(__x86_64__) && !defined(SUNWICK_NO_AVX512)
#define SUNWICK_AVX512 1
/* GCC 12's shuffle intrinsics start from a deliberately undefined vector,
 * which its own uninitialised-use analysis then reports. */
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

/* Whether this processor and its operating system run AVX-512F code. */
static bool hasAvx512(void)
{
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE))
        return false;
    unsigned low, high;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    if ((low & 0xe6) != 0xe6) /* the OS saves the SSE, AVX and AVX-512 registers */
        return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX512F);
}

/* Elements d .. d+7 of eight rows (those the mask keeps; the others read
 * nothing and are 0) as eight columns: lane t of column s is u[t][d + s].
 * First rows i and i+4 are put side by side, their elements 0..3 in one
 * vector and 4..7 in another; then rows 2i and 2i+1 are interleaved; then
 * each column's four pairs of lanes are gathered.  For a whole block the
 * first round is done by the loads, half a row at a time, which leaves
 * the shuffle unit two rounds instead of three.  u[t] is row t: an array
 * of pointers, or RowsAt. */
template <typename Rows>
__attribute__((target("avx512f"), always_inline)) static inline void
transposedRows(Rows u, Count d, __mmask8 within, __m512d column[8])
{
    const __m512i pairsLow = _mm512_set_epi64(13, 12, 5, 4, 9, 8, 1, 0);
    const __m512i pairsHigh = _mm512_set_epi64(15, 14, 7, 6, 11, 10, 3, 2);
    __m512d halves[8], pairs[8];
    for (int i = 0; i < 4; ++i)
        if (within == 0xff) {
            halves[i] = _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_loadu_pd(u[i] + d)),
                                           _mm256_loadu_pd(u[i + 4] + d), 1);
            halves[i + 4] = _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_loadu_pd(u[i] + d + 4)),
                                               _mm256_loadu_pd(u[i + 4] + d + 4), 1);
        } else {
            const __m512d top = _mm512_maskz_loadu_pd(within, u[i] + d);
            const __m512d bottom = _mm512_maskz_loadu_pd(within, u[i + 4] + d);
            halves[i] = _mm512_shuffle_f64x2(top, bottom, 0x44);
            halves[i + 4] = _mm512_shuffle_f64x2(top, bottom, 0xee);
        }
    for (int i = 0; i < 4; ++i) {
        pairs[2 * i] = _mm512_unpacklo_pd(halves[2 * i], halves[2 * i + 1]);
        pairs[2 * i + 1] = _mm512_unpackhi_pd(halves[2 * i], halves[2 * i + 1]);
    }
    /* columns 4h .. 4h+3 from the pairs of elements 4h .. 4h+3 */
    for (int h = 0; h < 2; ++h) {
        const __m512d *of = pairs + 4 * h;
        column[4 * h] = _mm512_permutex2var_pd(of[0], pairsLow, of[2]);
        column[4 * h + 1] = _mm512_permutex2var_pd(of[1], pairsLow, of[3]);
        column[4 * h + 2] = _mm512_permutex2var_pd(of[0], pairsHigh, of[2]);
        column[4 * h + 3] = _mm512_permutex2var_pd(of[1], pairsHigh, of[3]);
    }
}

/* sampleColumn with AVX-512: eight positions at once, one lane each, and
 * every lane's k products added in order from +0 with a separate multiply
 * and add.  The rows are read eight doubles at a time, the last few of a
 * row through a mask that reads nothing beyond it. */
__attribute__((target("avx512f"))) static void sampleColumnAvx512(double *result, const double *I, Count start,
                                                                 Count end, Count readable, const double *Ut,
                                                                 const double *Vrow, Count m, Count k)
{
    const Count distance = aheadOfSteps(k);
    for (Count p = start; p < end; p = nextStep(p, end)) {
        const double *next[8], *u[8];
        const Count width = rowsOfStep(I, p, end, readable, distance, Ut, m, k, u, next);
        askForStreams(I, result, p);
        __m512d sum = _mm512_setzero_pd(), column[8];
        Count d = 0;
        for (; k - d >= 8; d += 8) {
            askForLines(next, d);
            transposedRows(u, d, 0xff, column);
            for (int s = 0; s < 8; ++s)
                sum = _mm512_add_pd(sum, _mm512_mul_pd(_mm512_set1_pd(Vrow[d + s]), column[s]));
        }
        if (d < k) {
            askForLines(next, d);
            transposedRows(u, d, (__mmask8)((1u << (k - d)) - 1), column);
            for (int s = 0; s < k - d; ++s)
                sum = _mm512_add_pd(sum, _mm512_mul_pd(_mm512_set1_pd(Vrow[d + s]), column[s]));
        }
        _mm512_mask_storeu_pd(result + p, (__mmask8)((1u << width) - 1), sum);
    }
}

/* The lanes of eight 1-based indices that name a row in 0..m-1, and
 * those rows as doubles, to be truncated.  rowLimit is m in every lane,
 * or -1 when m is 0, so that no lane passes: it is formed once per
 * column, not per step. */
__attribute__((target("avx512f"), always_inline)) static inline __mmask8
rowsInside(__m512d indices, __m512d rowLimit, __m512d *row)
{
    *row = _mm512_sub_pd(indices, _mm512_set1_pd(1.0));
    return _mm512_cmp_pd_mask(*row, _mm512_set1_pd(-1.0), _CMP_GT_OQ) &
           _mm512_cmp_pd_mask(*row, rowLimit, _CMP_LT_OQ);
}

/* The offsets in Ut of the rows that eight 1-based indices name (0 for
 * an index outside 0..m-1), stored, and the mask of the valid lanes. */
__attribute__((target("avx512f"), always_inline)) static inline __mmask8
offsetsOfEight(__m512d indices, __m512d rowLimit, Count k, Count offsets[8])
{
    __m512d row;
    const __mmask8 inside = rowsInside(indices, rowLimit, &row);
    const __m256i rows = _mm512_maskz_cvttpd_epi32(inside, row);
    _mm256_storeu_si256((__m256i *)offsets, _mm256_mullo_epi32(rows, _mm256_set1_epi32(k)));
    /* read back from memory: extracting them one by one from the vector
     * would load the shuffle unit that the transposition needs */
    __asm__ volatile("" ::: "memory");
    return inside;
}

/* Row t of a step as Ut plus its offset, read from memory at each load.
 * Eight row pointers held through the loads leave too few general
 * registers, and the compiler then parks them in vector registers, each
 * move costing the shuffle unit a slot. */
struct RowsAt {
    const double *base;
    const Count *offset;
    const double *operator[](int t) const { return base + offset[t]; }
};

/* sampleColumnAvx512 for rows of at most eight elements, which are one
 * block: V's row is broadcast once per column, and the offsets of the
 * rows prefetchDistance positions on are formed eight at a time in
 * vector registers and kept for the step that reaches them, which then
 * only checks its indices; at this size that costs less than the scalar
 * work per row (for longer rows it costs more). */
__attribute__((target("avx512f"))) static void sampleShortColumnAvx512(double *result, const double *I, Count start,
                                                                      Count end, Count readable, const double *Ut,
                                                                      const double *Vrow, Count m, Count k)
{
    const __mmask8 elements = (__mmask8)((1u << k) - 1);
    const __m512d rowLimit = _mm512_set1_pd(m > 0 ? (double)m : -1.0);
    __m512d v[8];
    for (int s = 0; s < 8; ++s)
        v[s] = _mm512_set1_pd(s < k ? Vrow[s] : 0.0);
    /* the offsets of this step, of the next and of the one after: a
     * step's rows are those the step two before looked ahead at */
    static_assert(prefetchDistance % 8 == 0, "the rows looked ahead at are those of a later step");
    enum { kept = prefetchDistance / 8 + 1 };
    Count offsets[kept][8];
    int slot = 0;
    for (Count p = start; p < end; p = nextStep(p, end)) {
        const Count width = end - p < 8 ? end - p : 8;
        const __mmask8 lanes = (__mmask8)((1u << width) - 1);
        Count *ahead = offsets[slot == 0 ? kept - 1 : slot - 1], *here = offsets[slot];
        if (readable - p - prefetchDistance >= 8)
            offsetsOfEight(_mm512_loadu_pd(I + p + prefetchDistance), rowLimit, k, ahead);
        else
            for (int t = 0; t < 8; ++t)
                ahead[t] = rowAhead(I, p, prefetchDistance + t, readable, m) * k;
        for (int t = 0; t < 8; ++t)
            __builtin_prefetch(Ut + ahead[t]);
        __m512d row;
        askForStreams(I, result, p);
        const __m512d indices = _mm512_maskz_loadu_pd(lanes, I + p);
        const __mmask8 inside = p - start < prefetchDistance ? offsetsOfEight(indices, rowLimit, k, here)
                                                             : rowsInside(indices, rowLimit, &row);
        if ((inside & lanes) != lanes)
            for (Count t = 0; t < width; ++t)
                rowOf(I[p + t], m);
        __m512d column[8], sum = _mm512_setzero_pd();
        transposedRows(RowsAt{Ut, here}, 0, elements, column);
        for (int s = 0; s < k; ++s)
            sum = _mm512_add_pd(sum, _mm512_mul_pd(v[s], column[s]));
        _mm512_mask_storeu_pd(result + p, lanes, sum);
        slot = slot == kept - 1 ? 0 : slot + 1;
    }
}
#pragma GCC diagnostic pop
#endif
#endif

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[])
{
    if (nrhs != 4)
        reportError("sunwick:inputCount", "Tessmark: requires 4 inputs");
    if (nlhs != 1)
        reportError("sunwick:outputCount", "Tessmark: requires 1 output");

    const mxArray *U = prhs[0], *V = prhs[1], *I = prhs[2], *Jcol = prhs[3];
    const Count m = (Count)mxGetM(U), k = (Count)mxGetN(U);
    if (mxIsSparse(U))
        reportError("sunwick:sparseU", "Tessmark: U must be dense");
    const Count n = (Count)mxGetM(V);
    if (mxGetN(V) != (HostSize)k)
        reportError("sunwick:incompatible", "Tessmark: U,V not compatible");
    if (mxIsSparse(V))
        reportError("sunwick:sparseV", "Tessmark: V must be dense");

    if (!mxIsDouble(U) || !mxIsDouble(V))
        reportError("sunwick:notDouble", "Tessmark: U and V must be double");
    if (!mxIsDouble(I) || mxIsSparse(I) || !mxIsDouble(Jcol) || mxIsSparse(Jcol))
        reportError("sunwick:badPattern", "Tessmark: I and Jcol must be dense double vectors");

    /* Every count in 32 bits; the pattern's lengths are the larger
     * dimensions of I and Jcol, so row and column vectors both serve. */
    const HostSize iRows = mxGetM(I), iColumns = mxGetN(I);
    const HostSize jRows = mxGetM(Jcol), jColumns = mxGetN(Jcol);
    const Count nnz = narrowed(iRows > iColumns ? iRows : iColumns);
    const Count pointers = narrowed(jRows > jColumns ? jRows : jColumns);
    int64_t mk = (int64_t)m * k;
    if (narrowed(mxGetM(U)) < 0 || narrowed(mxGetN(U)) < 0 || narrowed(mxGetM(V)) < 0 || nnz < 0 ||
        pointers < 0 || mk >= (int64_t)countLimit)
        reportError("sunwick:tooLarge", "Tessmark: dimensions too large");
    const Count ncols = pointers - 1;
    if (ncols > n)
        reportError("sunwick:tooManyColumns", "Tessmark: more pattern columns than rows of V");
    /* A pointer vector with a zero dimension has no entries to read. */
    if (ncols > 0 && mxGetNumberOfElements(Jcol) == 0)
        reportError("sunwick:badPattern", "Tessmark: I and Jcol must be dense double vectors");
    /* Positions that can be read: none when I has a zero dimension. */
    const Count readable = mxGetNumberOfElements(I) == 0 ? 0 : nnz;

    plhs[0] = mxCreateDoubleMatrix((HostSize)nnz, 1, mxREAL);
    double *result = mxGetPr(plhs[0]);
    /* Both scratch blocks are written before they are read: Vrow for every
     * column, Ut whole by the transposition. */
    double *Vrow = (double *)unzeroedScratch((size_t)k, sizeof(double));
    /* Ut starts on a 64-byte boundary, which the host's blocks need not:
     * when k is a multiple of 8, each row then spans k/8 cache lines and
     * not one more. */
    double *UtBlock = (double *)unzeroedScratch((size_t)mk + 8, sizeof(double));
    double *Ut = (double *)(((uintptr_t)UtBlock + 63) & ~(uintptr_t)63);

    /* U's rows made contiguous once, so that each entry reads one row; a U
     * without columns has nothing to copy, however many rows it has. */
    const double *u = mxGetPr(U);
    for (Count i = 0; i < m && k > 0; ++i) {
        /* Once every eight rows, the line 64 rows on of each of U's
         * columns is asked for: the memory system's own detection of
         * streams follows fewer streams than U can have columns. */
        if (i % 8 == 0)
            for (Count d = 0; d < k; ++d)
                askForLineAhead(u + i + (size_t)d * m, 512);
        for (Count d = 0; d < k; ++d)
            Ut[(size_t)i * k + d] = u[i + (size_t)d * m];
    }

    const double *v = mxGetPr(V), *rows = mxGetPr(I), *columnPointers = mxGetPr(Jcol);
#if SUNWICK_AVX2
    const bool avx2 = hasAvx2();
#endif
#if SUNWICK_AVX512
    const bool avx512 = avx2 && hasAvx512();
#endif
    for (Count j = 0; j < ncols; ++j) {
        /* Once every eight pattern columns, the next cache line of each of
         * V's columns is asked for, so that the gathers of the rows that
         * follow find it, and its page, at hand: the sums between evict
         * both. */
        if (j % 8 == 0 && n - j > 8)
            for (Count d = 0; d < k; ++d)
                __builtin_prefetch(v + j + 8 + (size_t)d * n);
        for (Count d = 0; d < k; ++d)
            Vrow[d] = v[j + (size_t)d * n];
        /* Only a range with positions must lie within I. */
        const Count start = pointerOf(columnPointers[j]);
        const Count end = pointerOf(columnPointers[j + 1]);
        if (start < end) {
            if (start < 0 || end > readable)
                reportError("sunwick:pointerOutOfRange", "Tessmark: column pointer out of range");
#if SUNWICK_AVX512
            if (avx512 && k <= 8)
                sampleShortColumnAvx512(result, rows, start, end, readable, Ut, Vrow, m, k);
            else if (avx512)
                sampleColumnAvx512(result, rows, start, end, readable, Ut, Vrow, m, k);
            else
#endif
#if SUNWICK_AVX2
            if (avx2)
                sampleColumnAvx2(result, rows, start, end, readable, Ut, Vrow, m, k);
            else
#endif
                sampleColumn(result, rows, start, end, readable, Ut, Vrow, m, k);
        }
    }
}
