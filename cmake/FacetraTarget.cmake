# One place for the options every Facetra target shares.
function(facetra_target target)
    target_compile_features(${target} PUBLIC cxx_std_20)
    set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(FACETRA_SANITIZER STREQUAL "address")
        target_compile_options(${target} PUBLIC -fsanitize=address,undefined
                               -fno-omit-frame-pointer -fno-sanitize-recover=undefined -O1)
        target_link_options(${target} PUBLIC -fsanitize=address,undefined)
    elseif(FACETRA_SANITIZER STREQUAL "thread")
        target_compile_options(${target} PUBLIC -fsanitize=thread -fno-omit-frame-pointer -O1)
        target_link_options(${target} PUBLIC -fsanitize=thread)
    endif()
endfunction()

# Where the shared real meshes live, when they are there.
set(FACETRA_MESH_DIR "${CMAKE_SOURCE_DIR}/../shared/data/meshes" CACHE PATH
    "Folder of real meshes for tests and benchmarks")
