# Runs one libFuzzer target for a bounded time over a fresh copy of its seed corpus, with a temporary folder
# of its own (TMPDIR), which the target must leave as empty as it found it.
set(tmp ${WORK}_tmp)
file(REMOVE_RECURSE ${WORK} ${tmp})
file(MAKE_DIRECTORY ${WORK} ${tmp})
set(ENV{TMPDIR} ${tmp})
file(GLOB seeds ${SEEDS}/*)
if(seeds)
  file(COPY ${seeds} DESTINATION ${WORK})
endif()
execute_process(COMMAND ${EXE} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 ${WORK}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fuzzer ${EXE} found a failure (exit ${rc})")
endif()
file(GLOB_RECURSE left LIST_DIRECTORIES true ${tmp}/*)
if(left)
  message(FATAL_ERROR "fuzzer ${EXE} left behind in its temporary folder: ${left}")
endif()
