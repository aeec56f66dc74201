# The same mix run twice from the command line, with the host's default options, gives the same summary
# and the same gains file. Arguments: HOST, BUNDLE, SOX, WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/one ${WORK}/two)
# Two talkers that take turns, long enough for the main thread to fall behind a fast mix.
execute_process(COMMAND ${SOX} -R -n -r 48000 -c 1 ${WORK}/a.wav synth 8 pinknoise tremolo 0.7 90 vol 0.3
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${SOX} -R -n -r 48000 -c 1 ${WORK}/b.wav synth 8 brownnoise tremolo 0.45 90 vol 0.2
                COMMAND_ERROR_IS_FATAL ANY)
foreach(run one two)
  execute_process(COMMAND ${HOST} mix --plugin ${BUNDLE} --gains gains.csv -o mix.wav ../a.wav ../b.wav
                  WORKING_DIRECTORY ${WORK}/${run} OUTPUT_VARIABLE summary_${run} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "qorv-host mix failed (${rc})")
  endif()
  file(READ ${WORK}/${run}/gains.csv gains_${run})
endforeach()
if(NOT summary_one STREQUAL summary_two)
  message(FATAL_ERROR "the summaries differ:\n${summary_one}\n${summary_two}")
endif()
if(NOT gains_one STREQUAL gains_two)
  message(FATAL_ERROR "the gains files differ")
endif()
