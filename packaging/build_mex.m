%BUILD_MEX  Compile the lowrank tools from source with this host's mex.
%
%   build_mex compiles the five tools in the src folder beside this file
%   and puts the modules beside it, with the extension of the running host
%   (.mex in Octave, mexext in MATLAB).  It needs a C++ compiler set up for
%   mex; it links the host's own LAPACK.
%
%   build_mex(folder) puts the modules in that folder instead.
function build_mex(folder)
    here = fileparts(mfilename('fullpath'));
    if nargin < 1
        folder = here;
    end
    source = fullfile(here, 'src');
    tools = {'dorvik', 'halmet', 'sunwick', 'talvery', 'quorvel'};
    if exist('OCTAVE_VERSION', 'builtin')
        % Octave: 64-bit sizes, and its LAPACK takes 32-bit integers.
        flags = {'-DLOWRANK_OCTAVE', '-DLOWRANK_INDEX_BITS=64', '-DLOWRANK_LAPACK_BITS=32'};
        libraries = {'-llapack', '-lblas'};
        previous = getenv('CXXFLAGS');
        setenv('CXXFLAGS', [mkoctfile('-p', 'CXXFLAGS') ' -ffp-contract=off']);
        cleanup = onCleanup(@() setenv('CXXFLAGS', previous));
        extension = 'mex';
        outputOption = '-o';
    else
        % MATLAB: the widths of the platform, its LAPACK with the same.
        bits = '32';
        if ~isempty(strfind(computer('arch'), '64'))
            bits = '64';
        end
        flags = {'-largeArrayDims', ['-DLOWRANK_INDEX_BITS=' bits], ['-DLOWRANK_LAPACK_BITS=' bits], ...
                 'CXXFLAGS=$CXXFLAGS -ffp-contract=off'};
        libraries = {'-lmwlapack'};
        extension = mexext;
        outputOption = '-output';
    end
    for i = 1:numel(tools)
        output = fullfile(folder, [tools{i} '.' extension]);
        mex(flags{:}, ['-I' source], outputOption, output, fullfile(source, [tools{i} '.cpp']), libraries{:});
        fprintf('built %s\n', output);
        % The help file beside it ran until now: calls take the module from here on.
        clear(tools{i});
    end
    rehash;
end
