# A screen's layout folder: every layout unit in it (<unit>.json) is embedded as kLayout_<unit>,
# and cadserv-layoutgen turns the units and the folder's owners file into the header
# <folder, relative to the project>/binding.h (include root: the build's generated/ folder) that
# gives each owner class its typed components and binds the handlers the units name
# (platform/framework/README.md). NAMESPACE names cad::layout::<ns> (default: the name of the
# folder holding layout/); BASES lists the base screens' layout units the units extend.
function(cadserv_layout_bindings target dir)
  cmake_parse_arguments(arg "" "NAMESPACE" "BASES" ${ARGN})
  file(GLOB units CONFIGURE_DEPENDS ${dir}/*.json)
  if(NOT units)
    return()
  endif()
  if(NOT arg_NAMESPACE)
    get_filename_component(parent ${dir} DIRECTORY)
    get_filename_component(arg_NAMESPACE ${parent} NAME)
  endif()
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${dir})
  set(out ${CMAKE_BINARY_DIR}/generated/${rel}/binding.h)
  set(bases)
  foreach(base ${arg_BASES})
    list(APPEND bases --base ${base})
  endforeach()
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated/${rel}
    COMMAND cadserv-layoutgen --namespace ${arg_NAMESPACE} --owners ${dir}/owners --out ${out} ${bases} ${units}
    DEPENDS cadserv-layoutgen ${dir}/owners ${units} ${arg_BASES}
    COMMENT "Generating ${rel}/binding.h"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
  # Public: the tests and hosts that include a screen's header see its components.
  target_include_directories(${target} PUBLIC ${CMAKE_BINARY_DIR}/generated)
  foreach(unit_file ${units})
    get_filename_component(unit ${unit_file} NAME_WE)
    cadserv_embed(${target} kLayout_${unit} ${unit_file})
  endforeach()
endfunction()
