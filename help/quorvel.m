%QUORVEL  Reorthogonalise a vector against columns of a basis.
%
%   [r, normr, passes] = quorvel(Q, R) removes from the m-by-1 vector R its
%   components along the columns of the m-by-k matrix Q by modified
%   Gram-Schmidt passes, and returns the new vector, its norm and the
%   number of passes made.
%
%   [...] = quorvel(Q, R, refNorm, index, ratio) gives the norm of R before
%   the call (default: computed from R), the 1-based columns of Q to use,
%   in order and with repeats allowed (default: 1..k), and the acceptance
%   ratio (default 0.5).  Arguments after the fifth are ignored.
%
%   A pass is repeated while it leaves the vector shorter than ratio times
%   its norm before the pass (the first pass is judged against refNorm).
%   After four passes that all asked for another, quorvel gives up: r is
%   all zeros, normr is 0 and passes is 5.  A NaN norm accepts.
%
%   Sums are added left to right with no fused multiply-add.  Q and R must
%   be dense doubles; they are not changed.
%
%   Errors (identifiers in Octave):
%     quorvel: requires at least 2 input arguments.           quorvel:notEnoughInputs
%     quorvel: requires at most 4 output argument.            quorvel:tooManyOutputs
%     quorvel: sparse Q not allowed.                          quorvel:sparseQ
%     quorvel: sparse R not allowed.                          quorvel:sparseR
%     quorvel: R is not compatible.                           quorvel:incompatibleR
%     quorvel: index is empty                                 quorvel:emptyIndex
%     quorvel: Q and R must be double.                        quorvel:notDouble
%     quorvel: matrix is too large.                           quorvel:tooLarge
%     quorvel: refNorm and ratio must be nonempty doubles.    quorvel:badScalar
%     quorvel: index must be a dense double vector.           quorvel:badIndex
%     quorvel: requires at most 3 output arguments.           quorvel:tooManyOutputs
%     quorvel: index out of range.                            quorvel:indexOutOfRange
%
%   Example:
%     [r, normr, passes] = quorvel([1; 0; 0], [3; 4; 0])   % [0; 4; 0], 4, 1
%
%   See also HALMET, DORVIK.
