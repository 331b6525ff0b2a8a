-- Domain types of the ERP database. The journal's statements cast to them by
-- name, so they live in public where every role finds them.

create domain public.t_id      as numeric(15,0);
create domain public.t_integer as integer;
create domain public.t_float   as double precision;
create domain public.t_code    as varchar(50);
create domain public.t_date    as date;
