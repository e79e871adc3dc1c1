# Fails when a source file includes a header of a layer above its own. The layers, lowest first:
#   framework <- document <- view <- search <- app
# Each may include itself and the layers below it; res/ (the resource ids) is for every layer but
# the framework, which knows nothing of the program. Run with -DSOURCE_DIR=<repo> [-DSTAMP=<file>].
#
# An include is read as the compilers read it: against the including file's own folder and against
# the repository's root, with "." and ".." resolved, "\" taken for "/", and without regard to letter
# case (Windows finds "Search/SearchEngine.h" as search/SearchEngine.h). Files in subfolders of a
# layer belong to that layer.
cmake_minimum_required(VERSION 3.20)
set(LAYERS framework document view search app)
set(ALLOWED_framework framework)
set(ALLOWED_document framework document res)
set(ALLOWED_view framework document view res)
set(ALLOWED_search framework document view search res)
set(ALLOWED_app framework document view search app res)
set(TOP_FOLDERS ${LAYERS} res)

# The top folder of the repository that `path` (relative to the root, "/" separated) lies in, in
# lower case; empty when the path names no folder or leaves the repository.
function(top_folder_of path out)
    cmake_path(NORMAL_PATH path)
    string(TOLOWER "${path}" path)
    set(folder "")
    if(path MATCHES "^([^/]+)/" AND NOT CMAKE_MATCH_1 STREQUAL "..")
        set(folder "${CMAKE_MATCH_1}")
    endif()
    set(${out} "${folder}" PARENT_SCOPE)
endfunction()

set(FAULTS "")
foreach(layer IN LISTS LAYERS)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp" "${SOURCE_DIR}/${layer}/*.c")
    foreach(file IN LISTS files)
        file(RELATIVE_PATH rel "${SOURCE_DIR}" "${file}")
        get_filename_component(dir "${rel}" DIRECTORY)
        file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]+[\">]")
        foreach(line IN LISTS includes)
            string(REGEX MATCH "[\"<]([^\">]+)" _ "${line}")
            set(target "${CMAKE_MATCH_1}")
            string(REPLACE "\\" "/" path "${target}")
            top_folder_of("${path}" fromRoot)
            top_folder_of("${dir}/${path}" fromFile)
            foreach(folder IN ITEMS "${fromRoot}" "${fromFile}")
                if(folder IN_LIST TOP_FOLDERS AND NOT folder IN_LIST ALLOWED_${layer})
                    string(APPEND FAULTS "  ${rel} includes ${target}: ${layer}/ may include only ${ALLOWED_${layer}}\n")
                    break()
                endif()
            endforeach()
        endforeach()
    endforeach()
endforeach()

if(FAULTS)
    message(FATAL_ERROR "Includes that break the layering (see docs/layers.md):\n${FAULTS}")
endif()
if(STAMP)
    file(TOUCH "${STAMP}")
endif()
