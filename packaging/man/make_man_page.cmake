# Writes the gzipped manual page of one command from its --help and --version (help2man) and
# its kept sections (COMMAND.h2m). Run by the build with -D PROGRAM= COMMAND= INCLUDE= OUTPUT=.
# The program is run under the command's own name (a link), so the page names the command.
get_filename_component(dir ${OUTPUT} DIRECTORY)
set(link ${dir}/${COMMAND})
file(CREATE_LINK ${PROGRAM} ${link} SYMBOLIC)
execute_process(COMMAND ${link} --version OUTPUT_VARIABLE version
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
# "Server 1.3 (VORT tool set 1.1.0)" names the program; the page names the command.
string(FIND "${version}" " " blank)
math(EXPR blank "${blank} + 1")
string(SUBSTRING "${version}" ${blank} -1 version)
execute_process(COMMAND help2man --no-info --section=1 --include=${INCLUDE}
                        "--version-string=${COMMAND} ${version}" --output=${dir}/${COMMAND}.1
                        ${link}
                COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE ${link})
# -n: no name or time stamp in the archive, so the same page gives the same bytes.
execute_process(COMMAND gzip -9nf ${dir}/${COMMAND}.1 COMMAND_ERROR_IS_FATAL ANY)
