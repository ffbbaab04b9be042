/* libmwblas of the stand-in host.  It has no code of its own: the BLAS
 * routines come from the library it is built with (OpenBLAS with 64-bit
 * integers on 64-bit Linux, the reference BLAS built with the target on
 * 32-bit Linux, the reference BLAS linked whole into it on Windows).  No
 * tool calls BLAS; every Linux module lists the library all the same. */
