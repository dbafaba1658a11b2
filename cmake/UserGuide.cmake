# The user guide, docs/使用说明.md, as the HTML page that "使用帮助" opens:
# made at build time into BUILD/doc with its pictures beside it (the place a
# program run from the build tree finds it), installed into the package's
# documentation folder (the place an installed program finds it).

# python3-markdown belongs to the system's Python; a Python of the user's
# own (pyenv, a virtual environment) that comes first on PATH lacks it.
find_program(KX_GUIDE_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT KX_GUIDE_PYTHON)
  find_program(KX_GUIDE_PYTHON python3)
endif()
execute_process(COMMAND ${KX_GUIDE_PYTHON} -c "import markdown" RESULT_VARIABLE kx_markdown_missing
                OUTPUT_QUIET ERROR_QUIET)
if(kx_markdown_missing)
  message(FATAL_ERROR "The user guide is made with python3-markdown, which ${KX_GUIDE_PYTHON} lacks "
                      "(scripts/setup.sh installs it).")
endif()

set(KX_GUIDE_SOURCE ${CMAKE_SOURCE_DIR}/docs/使用说明.md)
set(KX_GUIDE_DIR ${CMAKE_BINARY_DIR}/doc)
set(KX_GUIDE_HTML ${KX_GUIDE_DIR}/使用说明.html)
file(GLOB KX_GUIDE_IMAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/images/*.png)

set(kx_guide_files ${KX_GUIDE_HTML})
foreach(image ${KX_GUIDE_IMAGES})
  get_filename_component(name ${image} NAME)
  add_custom_command(
    OUTPUT ${KX_GUIDE_DIR}/images/${name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KX_GUIDE_DIR}/images
    COMMAND ${CMAKE_COMMAND} -E copy ${image} ${KX_GUIDE_DIR}/images/${name}
    DEPENDS ${image}
    VERBATIM)
  list(APPEND kx_guide_files ${KX_GUIDE_DIR}/images/${name})
endforeach()
add_custom_command(
  OUTPUT ${KX_GUIDE_HTML}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KX_GUIDE_DIR}
  COMMAND ${KX_GUIDE_PYTHON} ${CMAKE_SOURCE_DIR}/scripts/guide-html.py ${KX_GUIDE_SOURCE} ${KX_GUIDE_HTML}
  DEPENDS ${KX_GUIDE_SOURCE} ${CMAKE_SOURCE_DIR}/scripts/guide-html.py
  VERBATIM)
add_custom_target(kestrix_guide ALL DEPENDS ${kx_guide_files})

install(FILES ${KX_GUIDE_HTML} DESTINATION ${KX_DOC_DIR})
install(FILES ${KX_GUIDE_IMAGES} DESTINATION ${KX_DOC_DIR}/images)

# The page is there, has its chapters, and its links and pictures all lead
# somewhere.
add_test(NAME user_guide
         COMMAND ${KX_GUIDE_PYTHON} ${CMAKE_SOURCE_DIR}/tools/checks/guide_html.py ${KX_GUIDE_HTML}
                 ${CMAKE_SOURCE_DIR}/docs/images)
