-- Grows the history of a generated plant (bench/generate.sql) to :rows rows, as years of
-- a plant's changes: a thousand a day, the newest on the plant's last day of entry, reaching
-- further into the past the more rows are asked for. A month of history therefore holds the
-- same changes however long the log is, and whatever grows with the whole log shows.
--
--   psql -v ON_ERROR_STOP=1 -q -d DATABASE -v rows=3000000 -f bench/grow_log.sql
--
-- Written in the order of time, as the trigger writes it. Changes of the quantity, some of
-- the worker and of the product (whose names the history looks up), some acceptances.

\set ON_ERROR_STOP 1
set client_min_messages = warning;

begin;

create temporary table grow_n on commit drop as
select greatest(:rows - (select count(*) from accounts_dep.smena_log), 0) as n,
       (select count(*) from accounts_dep.smena) as positions,
       (select min(id) from accounts_dep.smena) as first_id;

insert into accounts_dep.smena_log (at, login, kind, id_smena, data, smena, w_id, old, new)
select c.at, (array['master', 'operator', 'admin'])[1 + k % 3],
       case when k % 11 = 0 then 'accept' else 'update' end,
       g.first_id + (k * 7919) % g.positions, c.at::date, 1 + k % 4, w.w_id,
       case when k % 11 = 0 then jsonb_build_object('ok', 'no')
            when k % 5 = 0 then jsonb_build_object('w_id', 2001 + (k * 13) % 300)
            when k % 7 = 0 then jsonb_build_object('i_id', 1000001 + (k * 17) % 2000,
                                                   'o_id', 1 + (k * 19) % 5000)
            else jsonb_build_object('kol_vo', 5 + k % 50) end,
       case when k % 11 = 0 then jsonb_build_object('ok', 'ok')
            when k % 5 = 0 then jsonb_build_object('w_id', w.w_id)
            when k % 7 = 0 then jsonb_build_object('i_id', 1000001 + (k * 23) % 2000,
                                                   'o_id', 1 + (k * 29) % 5000)
            else jsonb_build_object('kol_vo', 6 + k % 50) end
from grow_n g
cross join generate_series(g.n, 1, -1) k
cross join lateral (select timestamptz '2026-12-10 18:00' - (k - 1) * interval '86.4 seconds' as at) c
cross join lateral (select 2001 + (k * 31) % 300 as w_id) w
order by k desc;

commit;

analyze accounts_dep.smena_log;
