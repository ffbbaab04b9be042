## expect_error (nout, fn, message, identifier)
## Calls fn with nout results (nout 0: as a statement) and checks that it
## fails with exactly this message and identifier.
function expect_error (nout, fn, message, identifier)
  try
    if (nout == 0)
      fn ();
    else
      out = cell (1, nout);
      [out{:}] = fn ();
    endif
  catch err
    if (! strcmp (err.message, message) || ! strcmp (err.identifier, identifier))
      error ("expected [%s] (%s), got [%s] (%s)", message, identifier, err.message, err.identifier);
    endif
    return;
  end_try_catch
  error ("expected [%s], but the call succeeded", message);
endfunction
