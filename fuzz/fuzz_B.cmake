# libFuzzer targets for brushes, movements and the coded-image decoders (included from
# fuzz/CMakeLists.txt). Each target is built with -fsanitize=fuzzer plus ASan and UBSan; ctest
# replays the committed seed corpus under fuzz/corpus/<format>/ once, and a bounded run is:
#   fuzz_<format> -max_total_time=60 fuzz/corpus/<format>
foreach(format bru mvm coded_image)
  add_executable(fuzz_${format} ${CMAKE_CURRENT_LIST_DIR}/fuzz_${format}.cpp)
  target_compile_options(fuzz_${format} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(fuzz_${format} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(fuzz_${format} PRIVATE korel_engine korel_assets korel_headless korel_base)
  if(KOREL_TESTS)
    add_test(NAME fuzz_${format}_corpus
             COMMAND fuzz_${format} -runs=0 ${CMAKE_CURRENT_LIST_DIR}/corpus/${format})
  endif()
endforeach()
