# Warnings for our own targets only; third-party headers come in as SYSTEM.
function(vandrel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wmissing-declarations)
endfunction()
