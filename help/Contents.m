% lowrank: compiled kernels for low-rank matrix work.
% Version 1.0.0 09-Dec-2026
%
%   dorvik   - Singular value decomposition of a dense matrix (LAPACK dgesdd).
%   halmet   - Eigenvalues and eigenvectors of a symmetric matrix (LAPACK dsyevd).
%   sunwick  - Entries of U*V' at the positions of a sparse pattern.
%   talvery  - Sparse matrix from its compressed-column arrays.
%   quorvel  - Reorthogonalise a vector against columns of a basis.
%
%   lowrank_complete - Complete a low-rank matrix from some of its entries.
%
%   build_mex - Compile the tools from source with this host's mex command.
