# trakmoor_embed(TARGET SYMBOL FILE)
# Compiles the bytes of FILE into TARGET as
#   extern const unsigned char SYMBOL[];      // the bytes, followed by one NUL
#   extern const std::size_t SYMBOL_size;     // the byte count without that NUL
# The source is regenerated whenever FILE changes.
function(trakmoor_embed target symbol file)
    get_filename_component(file "${file}" ABSOLUTE)
    set(out "${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp")
    add_custom_command(
        OUTPUT "${out}"
        COMMAND ${CMAKE_COMMAND} -DIN=${file} -DOUT=${out} -DSYMBOL=${symbol}
                -P "${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake"
        DEPENDS "${file}" "${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake"
        COMMENT "Embedding ${file}"
        VERBATIM)
    target_sources(${target} PRIVATE "${out}")
endfunction()
