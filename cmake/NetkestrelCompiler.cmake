# Warnings and sanitizers for every target of the project.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
if(NETKESTREL_WERROR)
    add_compile_options(-Werror)
endif()

if(NETKESTREL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    # This tree only runs the tests: line tables are enough for the reports'
    # stack traces, and -O1 builds in about half the time of -O2 -g.
    add_compile_options(-O1 -g1)
    add_link_options(-fsanitize=address,undefined)
endif()


# The fuzz targets need the code they reach instrumented for coverage too.
if(NETKESTREL_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
