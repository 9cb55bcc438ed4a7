# Builds TARGET in BUILD_DIR and passes only when the build fails with every text of EXPECT in
# its output (a fault the compiler must reject, named in its message).
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET}
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(result EQUAL 0)
  message(FATAL_ERROR "${TARGET} was built; it must not compile.")
endif()
foreach(text ${EXPECT})
  string(FIND "${out}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "The build of ${TARGET} failed without naming '${text}':\n${out}")
  endif()
endforeach()
