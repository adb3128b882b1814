# libFuzzer targets, one per format: every fuzz_*.cpp beside this file (included from
# fuzz/CMakeLists.txt). Each is built with -fsanitize=fuzzer plus ASan and UBSan; ctest replays
# the committed seed corpus under fuzz/corpus/<format>/ and the bundled library folder holding
# that format once, and a bounded run is:
#   fuzz_<format> -max_total_time=60 fuzz/corpus/<format>
set(fuzz_bundled_bru Brushes)
set(fuzz_bundled_fil Fills)
set(fuzz_bundled_gra Gradients)
set(fuzz_bundled_mvm Movements)
set(fuzz_bundled_efb Effects)
set(fuzz_bundled_efc Effects)
set(fuzz_bundled_pict Controls)
file(GLOB fuzz_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/fuzz_*.cpp)
foreach(src ${fuzz_sources})
  get_filename_component(target ${src} NAME_WE)
  string(REGEX REPLACE "^fuzz_" "" format ${target})
  add_executable(${target} ${src})
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${target} PRIVATE korel_playback korel_raves korel_engine korel_assets korel_controls korel_pictomat korel_headless
                        korel_base)
  if(KOREL_TESTS)
    set(replay ${CMAKE_CURRENT_LIST_DIR}/corpus/${format})
    if(DEFINED fuzz_bundled_${format})
      list(APPEND replay ${CMAKE_BINARY_DIR}/seed/${fuzz_bundled_${format}})
    endif()
    add_test(NAME ${target}_corpus COMMAND ${target} -runs=0 ${replay})
  endif()
endforeach()
