# cmake -DFROM=dir -DTO=dir -DNAMES=a,b -P copy_samples.cmake: copies each named file that TO lacks.
file(MAKE_DIRECTORY "${TO}")
string(REPLACE "," ";" names "${NAMES}")
foreach(name IN LISTS names)
    if(NOT EXISTS "${TO}/${name}")
        file(COPY_FILE "${FROM}/${name}" "${TO}/${name}")
    endif()
endforeach()
