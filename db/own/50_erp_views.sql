-- Views of the ERP system that live in accounts_dep. They read the journal's
-- own tables, so they are created after them.
--
-- A requisition line's quantity still required is its quantity less what the
-- journal positions done for that line already hold (sum of kol_vo); positions
-- in the hidden state 'ta' are not in the journal and do not count.

-- Open production requisitions, captioned "Заявка № <number> от <dd.mm.yyyy>".
create or replace view accounts_dep.v_mnf_requisition as
select doc.id,
       format('Заявка № %s от %s', doc.s_number, to_char(doc.d_date, 'dd.mm.yyyy')) as s_caption
from mnf_doc.doc doc
where not doc.b_closed;

-- Lines of the open requisitions with made = what the journal positions done
-- for each line already hold (see above), and the captions of the goods item,
-- its colour ('' for none) and its unit. The views and routines below that speak
-- of what is still required read it from here.
create or replace view accounts_dep.v_mnf_open_line as
select di.id, di.id_doc, di.id_gds, di.id_gds_color, di.f_qty,
       coalesce(made.kol_vo, 0) as made,
       gds.s_caption as s_gds_hl,
       case when di.id_gds_color <> 0
            then coalesce(clr.s_caption, di.id_gds_color::text) else '' end as s_gds_color_hl,
       gds.s_msm_ident,
       doc.s_number, doc.d_date
from mnf_doc.doc_item di
join mnf_doc.doc doc on doc.id = di.id_doc and not doc.b_closed
join cmn_gds_and_srv.gds_and_srv gds on gds.id = di.id_gds
left join cmn_gds_and_srv.gds_and_srv clr on clr.id = di.id_gds_color
left join lateral (
    select sum(s.kol_vo)::numeric as kol_vo
    from accounts_dep.smena s
    where s.id_doc_item = di.id and s.id_doc_item <> 0 and s.ok <> 'ta'
) made on true;

-- Lines of the open requisitions: the product with its colour and ordered
-- quantity as caption, f_qty = quantity still required (see above), s_gds_mc =
-- the product's goods id as decimal text.
create or replace view accounts_dep.v_mnf_requisition_item as
select l.id,
       l.id_doc,
       format('%s%s, %s %s', l.s_gds_hl,
              case when l.id_gds_color <> 0 then format(' (%s)', l.s_gds_color_hl) else '' end,
              replace(trim_scale(l.f_qty)::text, '.', ','), l.s_msm_ident) as s_caption,
       l.id_gds,
       (l.f_qty - l.made)::t_float as f_qty,
       l.id_gds::text as s_gds_mc
from accounts_dep.v_mnf_open_line l;

-- Goods still required by the open requisitions, one row per goods item and
-- colour: f_qty_mnf = quantity ordered, f_qty_smena = quantity the journal
-- already holds against those lines, f_qty_need = what is still required
-- (summed per line, never below 0 on a line); only rows with a need are listed.
create or replace view accounts_dep.v_mnf_req_gds as
select l.id_gds::t_id as id_gds,
       (l.s_gds_hl || case when l.id_gds_color <> 0 then format(' (%s)', l.s_gds_color_hl) else '' end) as s_caption,
       sum(l.f_qty)::numeric(28,3) as f_qty_mnf,
       sum(greatest(l.f_qty - l.made, 0))::numeric(28,3) as f_qty_need,
       l.s_gds_hl,
       l.id_gds_color::t_id as id_gds_color,
       l.s_gds_color_hl,
       sum(l.made)::numeric(28,3) as f_qty_smena,
       l.s_msm_ident
from accounts_dep.v_mnf_open_line l
group by l.id_gds, l.id_gds_color, l.s_gds_hl, l.s_gds_color_hl, l.s_msm_ident
having sum(greatest(l.f_qty - l.made, 0)) > 0
order by s_caption;
