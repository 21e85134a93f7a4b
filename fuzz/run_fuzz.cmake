# Runs the fuzzer for SECONDS over a corpus seeded with the folders SEEDS ("|" between them);
# fails on any finding.
string(REPLACE "|" ";" SEEDS "${SEEDS}")
file(MAKE_DIRECTORY ${CORPUS})
execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -max_len=70000 -timeout=10 -rss_limit_mb=2048
          -print_final_stats=1 -artifact_prefix=${CORPUS}/../ ${CORPUS} ${SEEDS}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the fuzzer found a fault (exit ${rc}); the input is beside the corpus")
endif()
