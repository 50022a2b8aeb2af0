# Warnings and sanitizers for the project's own targets.
set(PHOTO_WARNINGS -Wall -Wextra)

if(PHOTO_SANITIZE)
    set(PHOTO_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
                              -fno-sanitize-recover=all)
    add_compile_options(${PHOTO_SANITIZER_FLAGS})
    add_link_options(${PHOTO_SANITIZER_FLAGS})
endif()

# Coverage feedback for the fuzz targets from all project code.
if(PHOTO_BUILD_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

function(photo_project_target target)
    target_compile_options(${target} PRIVATE ${PHOTO_WARNINGS})
endfunction()
